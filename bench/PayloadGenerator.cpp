// Makes a payload like the shipped one: 83 files of a media player (programs, filters, panels,
// skins, language and help texts), about 5.5 MB compressed, as a package file, together with an
// installation of the previous version of the same files.
// Usage: bench_payload.exe <output folder\>
//   writes <output>\payload.dat and <output>\installed\...
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr unsigned CODE_SHARE = 70;
constexpr unsigned DATA_SHARE = 15;
constexpr unsigned IMMEDIATE_ONE_IN = 3;

// A fixed pseudo-random sequence, so every run makes the same payload.
class CSequence {
public:
    explicit CSequence(unsigned seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {}
    unsigned Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    unsigned Below(unsigned n) { return Next() % n; }

private:
    unsigned m_state;
};

// Machine code and its tables: recurring instruction sequences with immediates, random data,
// strings and zero padding.
std::string BinaryLike(size_t size, unsigned seed) {
    static const unsigned char COMMON[] = {0x48, 0x89, 0x8B, 0xE8, 0x83, 0xC4, 0x0F, 0x85, 0x84, 0x74, 0x75,
                                            0xFF, 0x15, 0x4C, 0x8D, 0x05, 0x24, 0x45, 0x33, 0xC0, 0xC3, 0x90};
    static const char* STRINGS[] = {"QuorindoPanel", "GetProcAddress", "CreateFileA", "DirectShow filter",
                                     "IMediaControl", "Software\\Quorindo", "%s\\%s.ini", "Playback"};
    CSequence seq(seed);
    std::vector<std::string> idioms(400);
    for (std::string& idiom : idioms) {
        const unsigned length = 2 + seq.Below(9);
        for (unsigned i = 0; i < length; ++i) {
            idiom += seq.Below(4) ? static_cast<char>(COMMON[seq.Below(sizeof COMMON)])
                                  : static_cast<char>(seq.Next() >> 24);
        }
    }
    std::string out;
    out.reserve(size + 1100);
    while (out.size() < size) {
        const unsigned kind = seq.Below(100);
        const size_t run = 64 + seq.Below(960);
        const size_t end = out.size() + run;
        if (kind < CODE_SHARE) {
            while (out.size() < end) {
                out += idioms[seq.Below(static_cast<unsigned>(idioms.size()))];
                if (seq.Below(IMMEDIATE_ONE_IN) == 0) out.append(4, static_cast<char>(seq.Next() >> 24));
            }
        } else if (kind < CODE_SHARE + DATA_SHARE) {
            while (out.size() < end) out += static_cast<char>(seq.Next() >> 24);
        } else if (kind < 92) {
            while (out.size() < end) {
                out += STRINGS[seq.Below(8)];
                out += '\0';
            }
        } else {
            out.append(run, '\0');
        }
    }
    out.resize(size);
    return out;
}

// Settings, skin descriptions and help: words on lines.
std::string TextLike(size_t size, unsigned seed) {
    static const char* WORDS[] = {"play",   "volume", "skin",   "panel",  "filter", "subtitle", "audio",
                                   "video",  "codec",  "enable", "true",   "false",  "window",   "color",
                                   "button", "left",   "right",  "top",    "bottom", "channel",  "stream",
                                   "buffer", "size",   "=",      "<item>", "</item>", "name",    "value"};
    CSequence seq(seed);
    std::string out;
    out.reserve(size + 64);
    while (out.size() < size) {
        const unsigned words = 2 + seq.Below(9);
        for (unsigned i = 0; i < words; ++i) {
            out += WORDS[seq.Below(sizeof WORDS / sizeof WORDS[0])];
            out += i + 1 < words ? " " : "";
        }
        out += ' ';
        out += std::to_string(seq.Below(100000));
        out += "\r\n";
    }
    out.resize(size);
    return out;
}

std::vector<unsigned char> Gzip(const std::string& content) {
    z_stream s{};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> out(deflateBound(&s, static_cast<uLong>(content.size())) + 64);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    s.avail_in = static_cast<uInt>(content.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

struct PAYLOAD_FILE {
    std::string path;  // below the installation folder
    std::string content;
};

std::vector<PAYLOAD_FILE> MakeFiles() {
    std::vector<PAYLOAD_FILE> files;
    unsigned seed = 1;
    auto binary = [&](const std::string& path, size_t size) { files.push_back({path, BinaryLike(size, seed++)}); };
    auto text = [&](const std::string& path, size_t size) { files.push_back({path, TextLike(size, seed++)}); };
    binary("Quorindo.exe", 2400000);
    binary("QxChannel.exe", 420000);
    binary("QuorindoUpgradeServer.exe", 260000);
    binary("QuorindoCore.dll", 1300000);
    binary("QuorindoRes.dll", 350000);
    for (int i = 1; i <= 6; ++i) binary("Panel" + std::to_string(i) + ".dll", 180000 + 40000 * i);
    for (int i = 1; i <= 12; ++i) binary("ax\\Filter" + std::to_string(i) + ".ax", 60000 + 25000 * i);
    for (int i = 1; i <= 10; ++i) binary("codecs\\Codec" + std::to_string(i) + ".dll", 30000 + 12000 * i);
    for (int i = 1; i <= 16; ++i) text("skins\\default\\part" + std::to_string(i) + ".xml", 6000 + 3000 * i);
    for (int i = 1; i <= 14; ++i) text("lang\\lang" + std::to_string(i) + ".ini", 20000 + 2000 * i);
    for (int i = 1; i <= 18; ++i) text("help\\topic" + std::to_string(i) + ".htm", 15000 + 9000 * i);
    text("readme.txt", 24000);
    text("CMD List.ini", 1800);
    return files;
}

void AppendDword(std::vector<unsigned char>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

bool WriteWhole(const std::string& path, const void* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

void MakeFolders(const std::string& filePath) {
    for (size_t slash = filePath.find('\\', 3); slash != std::string::npos; slash = filePath.find('\\', slash + 1)) {
        ::CreateDirectoryA(filePath.substr(0, slash).c_str(), nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_payload <output folder\\>\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::vector<PAYLOAD_FILE> files = MakeFiles();
    std::vector<unsigned char> package;
    AppendDword(package, static_cast<DWORD>(files.size()));
    size_t raw = 0;
    for (const PAYLOAD_FILE& file : files) {
        const std::string stored = ".\\" + file.path;
        const std::vector<unsigned char> member = Gzip(file.content);
        AppendDword(package, static_cast<DWORD>(stored.size()));
        package.insert(package.end(), stored.begin(), stored.end());
        AppendDword(package, 0x01D4A1B2);  // a time in 2018, high half first
        AppendDword(package, 0x3C4D5E6F);
        AppendDword(package, static_cast<DWORD>(member.size()));
        package.insert(package.end(), member.begin(), member.end());
        raw += file.content.size();

        // The installed previous version: the same file with a few bytes changed.
        std::string previous = file.content;
        for (size_t i = 0; i < previous.size(); i += 4093) previous[i] = static_cast<char>(previous[i] + 1);
        const std::string installed = out + "installed\\" + file.path;
        MakeFolders(installed);
        if (!WriteWhole(installed, previous.data(), previous.size())) {
            std::fprintf(stderr, "cannot write %s\n", installed.c_str());
            return 1;
        }
    }
    if (!WriteWhole(out + "payload.dat", package.data(), package.size())) {
        std::fprintf(stderr, "cannot write %spayload.dat\n", out.c_str());
        return 1;
    }
    std::printf("payload files=%zu uncompressed=%zu package=%zu\n", files.size(), raw, package.size());
    return 0;
}
