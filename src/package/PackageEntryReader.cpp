#include "package/PackageEntryReader.h"

#include <cstring>

#include "package/UpgradePackage.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"
#include "util/WriteRule.h"

std::string ReadPackageEntry(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder,
                             const ENTRY_READ_OPTIONS& options, STORED_ENTRY& fields) {
    if (buffer == nullptr) return "The pointer for source buffer is NULL";
    // A cursor past the end leaves nothing to read.
    auto remaining = [&]() -> DWORD { return cursor < size ? size - cursor : 0; };

    if (remaining() < 4) return "The length for target file name is invalidation";
    const DWORD nameLength = ReadPackageDword(buffer + cursor);
    cursor += 4;
    if (nameLength == 0 || remaining() < nameLength) return "The target file name is blank or source buffer is invalidation";

    // A NUL inside the name ends it.
    const char* name = reinterpret_cast<const char*>(buffer + cursor);
    fields.strRelativePath.assign(name, strnlen(name, nameLength));
    cursor += nameLength;

    fields.strDestPath = options.pFolders != nullptr && options.pCalls != nullptr
                             ? ResolveStoredPath(*options.pCalls, fields.strRelativePath, *options.pFolders)
                             : ExpandPathTokens(fields.strRelativePath, installFolder);
    if (fields.strDestPath.empty()) return FormatText("The relative path '%s' is invalidation", fields.strRelativePath.c_str());

    const std::string fileName = GetFileNameOf(fields.strDestPath);
    if (remaining() < 8) return FormatText("The last modify time for %s is invalidation", fileName.c_str());
    fields.ftLastWrite.dwHighDateTime = ReadPackageDword(buffer + cursor);
    fields.ftLastWrite.dwLowDateTime = ReadPackageDword(buffer + cursor + 4);
    cursor += 8;

    if (remaining() < 4) {
        return options.bBackupPassTexts
                   ? FormatText("The length for compressed data(%s), is invalidation", fileName.c_str())
                   : FormatText("The length for compressed data(%s) is invalidation", fileName.c_str());
    }
    fields.dwCompressedLength = ReadPackageDword(buffer + cursor);
    cursor += 4;
    if (remaining() < fields.dwCompressedLength) return "The compressed data is invalidation";
    fields.pCompressedData = buffer + cursor;
    cursor += fields.dwCompressedLength;
    return std::string();
}

CPackageEntryReader::CPackageEntryReader(const CUpgradePackage& package)
    : m_package(package), m_dwCursor(PACKAGE_FIRST_ENTRY) {}

std::string CPackageEntryReader::ReadNext(const std::string& installFolder, const ENTRY_READ_OPTIONS& options,
                                          STORED_ENTRY& fields) {
    return ReadPackageEntry(m_package.GetData(), m_package.GetSize(), m_dwCursor, installFolder, options, fields);
}
