#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace oraclesim {

// The content of a temporary LOB. Oracle keeps it in the temporary tablespace, not in the client, so
// the stand-in keeps it in a file of its own: a LOB written piece by piece and inserted into a table
// never lies in this process's memory whole.
class TempLob {
public:
    explicit TempLob(bool isClob);
    ~TempLob();
    TempLob(const TempLob &) = delete;
    TempLob &operator=(const TempLob &) = delete;

    bool isClob() const noexcept { return m_isClob; }
    std::uint64_t bytes() const noexcept { return m_bytes; }
    // The length as OCI counts it: UTF-16 code units for a CLOB, bytes for a BLOB.
    std::uint64_t units() const noexcept { return m_isClob ? m_units : m_bytes; }

    void append(std::string_view data);
    // The whole content, for the rare writes that do not go at the end and for reads.
    std::string readAll() const;
    void assign(std::string_view data);
    // Calls fn(std::string_view) with the content, chunk after chunk, from the start.
    template <class Fn> void forEachChunk(Fn &&fn) const
    {
        char buffer[64 * 1024];
        std::uint64_t done = 0;
        std::fseek(m_file, 0, SEEK_SET);
        while (done < m_bytes) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, m_file);
            if (n == 0)
                break;
            fn(std::string_view(buffer, n));
            done += n;
        }
        std::fseek(m_file, 0, SEEK_END);
    }

private:
    std::FILE *m_file;
    bool m_isClob;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_units = 0;
};

} // namespace oraclesim
