#include "support/TestGzip.h"

#include <zlib.h>

std::vector<BYTE> GzipBytes(const std::string& content) {
    z_stream s{};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<BYTE> out(deflateBound(&s, static_cast<uLong>(content.size())) + 64);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    s.avail_in = static_cast<uInt>(content.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

bool GunzipBytes(const std::vector<BYTE>& gzip, std::string& content) {
    z_stream s{};
    if (inflateInit2(&s, 15 + 16) != Z_OK) return false;
    s.next_in = const_cast<Bytef*>(gzip.data());
    s.avail_in = static_cast<uInt>(gzip.size());
    content.clear();
    char buffer[65536];
    int rc;
    do {
        s.next_out = reinterpret_cast<Bytef*>(buffer);
        s.avail_out = sizeof buffer;
        rc = inflate(&s, Z_NO_FLUSH);
        content.append(buffer, sizeof buffer - s.avail_out);
    } while (rc == Z_OK);
    inflateEnd(&s);
    return rc == Z_STREAM_END;
}
