#include "system/OwnProgramFile.h"

#include <cstring>
#include <vector>

#include "framework/WinApp.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"

namespace {

// What cannot be shown to be the running image.
const char NOT_THE_IMAGE[] = "it is not the program that runs";

// The file's bytes at an offset, whole; false when the file ends before.
bool ReadAt(ISystemCalls& calls, HANDLE file, DWORD offset, void* buffer, DWORD size) {
    DWORD read = 0;
    return calls.Seek(file, offset, FILE_BEGIN) && calls.Read(file, buffer, size, &read) && read == size;
}

// The image's headers as the file holds them, and where its sections lie.
struct FILE_IMAGE {
    std::vector<BYTE> headers;
    IMAGE_NT_HEADERS* pNt = nullptr;  // inside headers
    IMAGE_SECTION_HEADER* pSections = nullptr;
    WORD nSections = 0;

    bool Read(ISystemCalls& calls, HANDLE file, DWORD mappedHeaderSize) {
        headers.resize(mappedHeaderSize);
        if (!ReadAt(calls, file, 0, headers.data(), mappedHeaderSize)) return false;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(headers.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
            static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > headers.size())
            return false;
        pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(headers.data() + dos->e_lfanew);
        if (pNt->Signature != IMAGE_NT_SIGNATURE || pNt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC ||
            pNt->OptionalHeader.SizeOfHeaders != mappedHeaderSize)
            return false;
        pSections = IMAGE_FIRST_SECTION(pNt);
        nSections = pNt->FileHeader.NumberOfSections;
        return reinterpret_cast<BYTE*>(pSections + nSections) <= headers.data() + headers.size();
    }
    // The section that holds the address, or null.
    const IMAGE_SECTION_HEADER* SectionOf(DWORD rva) const {
        for (WORD i = 0; i < nSections; ++i)
            if (rva >= pSections[i].VirtualAddress && rva - pSections[i].VirtualAddress < pSections[i].SizeOfRawData)
                return &pSections[i];
        return nullptr;
    }
};

// Where the file's relocation table says the image is to be adjusted: each an address and whether
// it holds a 64-bit value. False when the table cannot be read or holds a kind no image of ours has.
bool ReadRelocations(ISystemCalls& calls, HANDLE file, const FILE_IMAGE& image,
                     std::vector<std::pair<DWORD, bool>>& places) {
    const IMAGE_DATA_DIRECTORY& directory = image.pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    if (directory.Size == 0) return true;
    const IMAGE_SECTION_HEADER* section = image.SectionOf(directory.VirtualAddress);
    if (section == nullptr || directory.Size > section->SizeOfRawData) return false;
    std::vector<BYTE> table(directory.Size);
    if (!ReadAt(calls, file, section->PointerToRawData + (directory.VirtualAddress - section->VirtualAddress),
                table.data(),
                directory.Size))
        return false;
    for (DWORD at = 0; at + sizeof(IMAGE_BASE_RELOCATION) <= table.size();) {
        const auto* block = reinterpret_cast<const IMAGE_BASE_RELOCATION*>(table.data() + at);
        if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION) || block->SizeOfBlock > table.size() - at) return false;
        const auto* entries = reinterpret_cast<const WORD*>(block + 1);
        const DWORD count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / sizeof(WORD);
        for (DWORD i = 0; i < count; ++i) {
            const WORD type = entries[i] >> 12;
            const DWORD rva = block->VirtualAddress + (entries[i] & 0x0FFF);
            if (type == IMAGE_REL_BASED_HIGHLOW || type == IMAGE_REL_BASED_DIR64)
                places.emplace_back(rva, type == IMAGE_REL_BASED_DIR64);
            else if (type != IMAGE_REL_BASED_ABSOLUTE)
                return false;
        }
        at += block->SizeOfBlock;
    }
    return true;
}

// Applies the relocations that fall inside the bytes of a section loaded at rva.
void Relocate(std::vector<BYTE>& bytes, DWORD rva, const std::vector<std::pair<DWORD, bool>>& places,
              ULONGLONG delta) {
    for (const auto& [place, b64] : places) {
        const size_t width = b64 ? 8 : 4;
        if (place < rva || place - rva + width > bytes.size()) continue;
        BYTE* at = bytes.data() + (place - rva);
        ULONGLONG value = 0;
        std::memcpy(&value, at, width);
        value += delta;
        std::memcpy(at, &value, width);
    }
}

// True when the program can read the whole range of its own memory without fault.
bool IsReadable(const BYTE* start, size_t size) {
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                           PAGE_WRITECOPY | PAGE_EXECUTE_WRITECOPY;
    for (const BYTE* at = start; at < start + size;) {
        MEMORY_BASIC_INFORMATION info{};
        if (::VirtualQuery(at, &info, sizeof info) == 0 || info.State != MEM_COMMIT || !(info.Protect & readable) ||
            (info.Protect & PAGE_GUARD))
            return false;
        at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

}  // namespace

std::string CompareWithMappedImage(ISystemCalls& calls, HANDLE file, HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* mappedNt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    FILE_IMAGE image;
    if (!image.Read(calls, file, mappedNt->OptionalHeader.SizeOfHeaders)) return NOT_THE_IMAGE;
    // The system writes where it placed the image into the mapped headers; the file keeps its own.
    const ULONGLONG delta = reinterpret_cast<ULONGLONG>(base) - image.pNt->OptionalHeader.ImageBase;
    image.pNt->OptionalHeader.ImageBase = mappedNt->OptionalHeader.ImageBase;
    if (std::memcmp(image.headers.data(), base, image.headers.size()) != 0) return NOT_THE_IMAGE;
    std::vector<std::pair<DWORD, bool>> places;
    if (!ReadRelocations(calls, file, image, places)) return NOT_THE_IMAGE;
    for (WORD i = 0; i < image.nSections; ++i) {
        const IMAGE_SECTION_HEADER& section = image.pSections[i];
        // What the program writes (its data, the import addresses) is the program's own by now.
        if (section.Characteristics & IMAGE_SCN_MEM_WRITE) continue;
        const DWORD size = section.Misc.VirtualSize != 0 && section.Misc.VirtualSize < section.SizeOfRawData
                               ? section.Misc.VirtualSize
                               : section.SizeOfRawData;
        std::vector<BYTE> bytes(size);
        const BYTE* mapped = base + section.VirtualAddress;
        if (size == 0) continue;
        if (!ReadAt(calls, file, section.PointerToRawData, bytes.data(), size) || !IsReadable(mapped, size))
            return NOT_THE_IMAGE;
        Relocate(bytes, section.VirtualAddress, places, delta);
        if (std::memcmp(bytes.data(), mapped, size) != 0) return NOT_THE_IMAGE;
    }
    return std::string();
}

COwnProgramFile::COwnProgramFile(ISystemCalls& calls) : m_strPath(GetRunningProgramPath()) {
    // A path too long for the plain form is opened in the extended one.
    std::string open = m_strPath;
    if (open.size() >= MAX_PATH && open.rfind("\\\\", 0) != 0) open = "\\\\?\\" + open;
    else if (open.size() >= MAX_PATH && open.rfind("\\\\?\\", 0) != 0) open = "\\\\?\\UNC\\" + open.substr(2);
    m_file.Reset(calls.OpenFile(open.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL));
    if (m_strPath.empty() || !m_file)
        m_strError = GetSystemErrorText(m_strPath.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError());
    else
        m_strError = CompareWithMappedImage(calls, m_file.Get(), ::GetModuleHandleA(nullptr));
    if (!m_strError.empty())
        m_strError = FormatText("the program's own file %s: %s", m_strPath.c_str(), m_strError.c_str());
}
