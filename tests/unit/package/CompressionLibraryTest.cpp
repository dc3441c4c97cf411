#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "util/FileHelpers.h"
#include "support/TestCalls.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestGzip.h"

namespace {

// Text-like and binary-like bytes, longer than many transfer buffers and not a multiple of one.
std::string MixedContent() {
    std::string content;
    for (int i = 0; i < 400; ++i) content += "line " + std::to_string(i) + " of a settings file\r\n";
    for (int i = 0; i < 20000; ++i) content += static_cast<char>((i * 7919) >> (i % 5));
    content += std::string(3, '\0');
    return content;
}

// The library as a run or a build binds it, loaded into the test's folder.
class CompressionLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_library.Load(nullptr, m_scratch.Path())); }
    std::string In(const char* name) const { return m_scratch.Path() + name; }
    // Inflates the member into a new file at the path.
    bool Inflate(const std::vector<BYTE>& member, const std::string& path) const {
        CScopedKernelHandle out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        return m_library.InflateInto(member.data(), static_cast<DWORD>(member.size()), out.Get());
    }

    CScratchFolder m_scratch;
    CCompressionLibrary m_library{TestCalls()};
};

}  // namespace

TEST_F(CompressionLibrary, WritesResource131IntoTheFolderOnlyFromAModuleThatHasIt) {
    EXPECT_EQ(m_library.GetPath().rfind(m_scratch.Path() + "JVR", 0), 0u) << m_library.GetPath();
    HRSRC resource = ::FindResourceA(nullptr, MAKEINTRESOURCEA(131), "PACKAGE");
    ASSERT_NE(resource, nullptr);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(nullptr, resource)));
    EXPECT_EQ(ReadFileText(m_library.GetPath()), std::string(bytes, ::SizeofResource(nullptr, resource)));
    CCompressionLibrary none(TestCalls());
    EXPECT_FALSE(none.Load(::GetModuleHandleA("kernel32.dll"), m_scratch.Path()));
    EXPECT_EQ(ListFiles(m_scratch.Path(), "JVR*.tmp").size(), 1u);  // the fixture's own library only
    EXPECT_TRUE(ListFiles(m_scratch.Temp(), "JVR*.tmp").empty());
}

TEST_F(CompressionLibrary, InflatesGzipMadeByAnIndependentZlibAndRefusesDamagedData) {
    const std::string content = MixedContent();
    const std::vector<BYTE> good = GzipBytes(content);
    EXPECT_TRUE(Inflate(good, In("out.bin")));
    EXPECT_EQ(ReadFileText(In("out.bin")), content);
    EXPECT_TRUE(Inflate({}, In("out.bin")));
    EXPECT_EQ(ReadFileText(In("out.bin")), "");

    std::vector<BYTE> badStream = good;
    for (size_t i = 20; i < 60; ++i) badStream[i] ^= 0x5A;
    std::vector<BYTE> badCrc = good;
    badCrc[good.size() - 6] ^= 0x01;
    const std::vector<BYTE> cutTrailer(good.begin(), good.end() - 5);
    // The gzip file functions would copy data that is not gzip straight through.
    std::vector<BYTE> badHeader = good;
    badHeader[0] = 'P';
    for (const auto& damaged : {badStream, badCrc, cutTrailer, badHeader}) EXPECT_FALSE(Inflate(damaged, In("out.bin")));
}

TEST_F(CompressionLibrary, CompressedFileInflatesBackWithTheIndependentZlib) {
    const std::string content = MixedContent();
    WriteFileText(In("source.bin"), content);
    std::string rate;
    ASSERT_TRUE(m_library.CompressFile(In("source.bin"), In("source.gz"), rate));
    const std::string gzip = ReadFileText(In("source.gz"));
    ASSERT_GE(gzip.size(), 10u);
    EXPECT_EQ(gzip.substr(0, 4), std::string("\x1F\x8B\x08\x00", 4));
    std::string inflated;
    ASSERT_TRUE(GunzipBytes(std::vector<BYTE>(gzip.begin(), gzip.end()), inflated));
    EXPECT_EQ(inflated, content);
    EXPECT_EQ(rate, FormatCompressionRate(static_cast<DWORD>(content.size()), static_cast<DWORD>(gzip.size())));
    EXPECT_EQ(GetFileLength(TestCalls(), In("source.gz")), gzip.size());
    EXPECT_EQ(GetFileLength(TestCalls(), In("missing.gz")), 0u);

    // Nothing to compress saves nothing, rather than dividing by zero.
    WriteFileText(In("empty.bin"), "");
    ASSERT_TRUE(m_library.CompressFile(In("empty.bin"), In("empty.gz"), rate));
    EXPECT_EQ(rate, "0.00%");

    // A failure leaves the rate as it was and makes no gzip file.
    rate = "unchanged";
    EXPECT_FALSE(m_library.CompressFile(In("missing.bin"), In("new.gz"), rate));
    EXPECT_FALSE(CCompressionLibrary(TestCalls()).CompressFile(In("source.bin"), In("new.gz"), rate));
    EXPECT_EQ(rate, "unchanged");
    EXPECT_FALSE(PathExists(In("new.gz")));
}

TEST(CompressionRate, SavedShareOrGrowthWithTwoDecimals) {
    EXPECT_EQ(FormatCompressionRate(36, 56), "155.56%");
    EXPECT_EQ(FormatCompressionRate(1000, 377), "62.30%");
    EXPECT_EQ(FormatCompressionRate(3, 1), "66.67%");
    EXPECT_EQ(FormatCompressionRate(100, 100), "0.00%");
    EXPECT_EQ(FormatCompressionRate(200, 199), "0.50%");
    EXPECT_EQ(FormatCompressionRate(0, 20), "0.00%");
    EXPECT_EQ(FormatCompressionRate(0, 0), "0.00%");
}

// A library that leaves "<its path>.loaded" when it is loaded.
std::string g_strPlant;
void SwapInThePlant(const std::string& path) { ::CopyFileA(g_strPlant.c_str(), path.c_str(), FALSE); }

// The run's library is loaded once, only as it was written, and held so that nobody can write or
// delete its file while it is loaded; a file swapped before the check is never loaded.
TEST_F(CompressionLibrary, BoundLibraryIsLoadedOnlyAsWrittenAndHeldWhileLoaded) {
    std::string path;
    {
        CCompressionLibrary library(TestCalls());
        ASSERT_TRUE(library.Load(nullptr, m_scratch.Path()));
        path = library.GetPath();
        CScopedKernelHandle writer(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_FALSE(writer.IsValid());
        EXPECT_FALSE(::DeleteFileA(path.c_str()));
    }
    EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    // Proof that the plant marks its loading.
    g_strPlant = In("plant.dll");
    ASSERT_TRUE(::CopyFileA(GetSampleTestFile("planted\\version.dll").c_str(), g_strPlant.c_str(), FALSE));
    { CScopedLibrary proof(::LoadLibraryA(g_strPlant.c_str())); }
    ASSERT_EQ(ListFiles(m_scratch.Path(), "*.loaded").size(), 1u);

    CCompressionLibrary swapped(TestCalls());
    EXPECT_FALSE(swapped.Load(nullptr, m_scratch.Path(), &SwapInThePlant));
    const std::vector<BYTE> member = GzipBytes("never inflated");
    EXPECT_FALSE(swapped.InflateInto(member.data(), static_cast<DWORD>(member.size()), INVALID_HANDLE_VALUE));
    EXPECT_EQ(ListFiles(m_scratch.Path(), "*.loaded").size(), 1u) << "the swapped file was loaded";
    EXPECT_EQ(ListFiles(m_scratch.Path(), "JVR*.tmp").size(), 1u);  // the fixture's own library only
}
