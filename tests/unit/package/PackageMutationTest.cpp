// Malformed packages run through the reader with their last byte flush against a
// no-access page: any read past the end faults the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <random>
#include <set>

#include "package/PackageEntryReader.h"
#include "package/UpgradePackage.h"
#include "support/PackageWriter.h"

namespace {

const std::string INSTALL = "Z:\\qu-mutation\\";

// Holds a copy of some bytes so that the byte after the last one is in a no-access page.
class CGuardedBuffer {
public:
    explicit CGuardedBuffer(const std::vector<BYTE>& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const SIZE_T page = info.dwPageSize;
        const SIZE_T dataPages = (bytes.size() + page - 1) / page;
        m_size = (dataPages + 1) * page;
        m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, m_size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (m_base == nullptr) return;
        DWORD old = 0;
        m_bGuarded = VirtualProtect(m_base + dataPages * page, page, PAGE_NOACCESS, &old) != FALSE;
        m_data = m_base + dataPages * page - bytes.size();
        if (!bytes.empty()) std::memcpy(m_data, bytes.data(), bytes.size());
    }
    ~CGuardedBuffer() {
        if (m_base != nullptr) VirtualFree(m_base, 0, MEM_RELEASE);
    }
    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;
    const BYTE* Data() const { return m_data; }
    bool IsGuarded() const { return m_bGuarded; }

private:
    BYTE* m_base = nullptr;
    BYTE* m_data = nullptr;
    SIZE_T m_size = 0;
    bool m_bGuarded = false;
};

bool IsReaderText(const std::string& text) {
    static const char* const PREFIXES[] = {
        "The length for target file name is invalidation",
        "The target file name is blank or source buffer is invalidation",
        "The relative path '",
        "The last modify time for ",
        "The length for compressed data(",
        "The compressed data is invalidation",
    };
    for (const char* prefix : PREFIXES)
        if (text.rfind(prefix, 0) == 0) return true;
    return false;
}

// Walks a whole package as a pass does. Answers the number of entries read.
int WalkPackage(const std::vector<BYTE>& bytes, const ENTRY_READ_OPTIONS& options) {
    CGuardedBuffer guarded(bytes);
    EXPECT_TRUE(guarded.IsGuarded());
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (size < PACKAGE_FIRST_ENTRY) return 0;
    const DWORD count = ReadPackageDword(guarded.Data());
    DWORD cursor = PACKAGE_FIRST_ENTRY;
    int read = 0;
    for (DWORD i = 0; i < count; ++i) {
        STORED_ENTRY fields;
        const std::string error = ReadPackageEntry(guarded.Data(), size, cursor, INSTALL, options, fields);
        EXPECT_LE(cursor, size);
        if (!error.empty()) {
            EXPECT_TRUE(IsReaderText(error)) << error;
            break;
        }
        if (fields.dwCompressedLength != 0) {
            EXPECT_GE(fields.pCompressedData, guarded.Data());
            EXPECT_LE(fields.pCompressedData + fields.dwCompressedLength, guarded.Data() + size);
        }
        ++read;
    }
    return read;
}

std::vector<BYTE> SamplePackage() {
    CPackageWriter writer;
    writer.AddFile(".\\Quorindo.exe", "MZ program bytes of the main executable", {0x11223344, 0x01D50000});
    writer.AddFile("<Temp>\\CMD List.ini", "[Count]\r\nCount=0\r\n", {0, 5});
    writer.AddFile(".\\AX\\ScrollFilter.ax", std::string(40, 'f'), {0x7, 0x8});
    return writer.Bytes();
}

// Offsets of every 32-bit length field and of the count.
std::vector<size_t> LengthFieldOffsets(const std::vector<BYTE>& package) {
    std::vector<size_t> offsets = {0};
    size_t at = PACKAGE_FIRST_ENTRY;
    while (at + 4 <= package.size()) {
        offsets.push_back(at);
        const DWORD nameLength = ReadPackageDword(&package[at]);
        const size_t lengthAt = at + 4 + nameLength + 8;
        offsets.push_back(lengthAt);
        at = lengthAt + 4 + ReadPackageDword(&package[lengthAt]);
    }
    return offsets;
}

}  // namespace

TEST(PackageMutation, MalformedPackagesNeverReadOutsideTheBuffer) {
    const std::vector<BYTE> original = SamplePackage();
    ASSERT_EQ(WalkPackage(original, INSTALL_READ), 3);
    int packages = 0;

    // Cut at every offset, through both readers.
    for (size_t size = 0; size < original.size(); ++size) {
        const std::vector<BYTE> cut(original.begin(), original.begin() + size);
        EXPECT_LT(WalkPackage(cut, INSTALL_READ), 3);
        EXPECT_LT(WalkPackage(cut, BACKUP_READ), 3);
        packages += 2;
    }

    // Huge and boundary values in every length field and in the count.
    const DWORD values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFC, 0xFFFFFFFF};
    for (size_t offset : LengthFieldOffsets(original)) {
        for (DWORD value : values) {
            std::vector<BYTE> mutated = original;
            for (int i = 0; i < 4; ++i) mutated[offset + i] = static_cast<BYTE>(value >> (8 * i));
            WalkPackage(mutated, INSTALL_READ);
            ++packages;
        }
        for (DWORD delta = 0; delta < 8; ++delta) {
            std::vector<BYTE> mutated = original;
            const DWORD value = static_cast<DWORD>(original.size() - offset) - 4 + delta - 4;
            for (int i = 0; i < 4; ++i) mutated[offset + i] = static_cast<BYTE>(value >> (8 * i));
            WalkPackage(mutated, INSTALL_READ);
            ++packages;
        }
    }

    // Seeded random bit flips, sometimes with a cut as well.
    std::mt19937 random(20261208);
    while (packages < 12000) {
        std::vector<BYTE> mutated = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            const size_t bit = random() % (mutated.size() * 8);
            mutated[bit / 8] ^= static_cast<BYTE>(1u << (bit % 8));
        }
        if (random() % 4 == 0) mutated.resize(random() % mutated.size());
        WalkPackage(mutated, INSTALL_READ);
        ++packages;
    }
    RecordProperty("MutatedPackages", packages);
    std::printf("mutated packages read: %d\n", packages);
    EXPECT_GE(packages, 10000);
}
