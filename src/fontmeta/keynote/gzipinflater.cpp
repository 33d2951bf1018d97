#include "gzipinflater.h"

#include <zlib.h>

#include <array>

namespace kernwick::fontmeta {

namespace {

constexpr int OutputChunkSize = 64 * 1024;
constexpr int GzipWindowBits = 16 + MAX_WBITS; // 16: expect a gzip header, not a zlib one

} // namespace

GzipInflater::GzipInflater()
    : m_stream(std::make_unique<z_stream_s>())
{
    if (inflateInit2(m_stream.get(), GzipWindowBits) != Z_OK) {
        m_stream.reset();
        m_status = Status::Damaged;
    }
}

GzipInflater::~GzipInflater()
{
    if (m_stream)
        inflateEnd(m_stream.get());
}

GzipInflater::Status GzipInflater::feed(QByteArrayView input, const Sink &sink)
{
    if (m_status == Status::End && input.size() > 0) {
        // The last piece ended a member at its very end: what follows is the next one.
        inflateReset(m_stream.get());
        m_status = Status::NeedInput;
        m_memberEnded = true;
    }
    if (m_status != Status::NeedInput)
        return m_status;
    std::array<char, OutputChunkSize> output;
    // zlib's next_in is not const in the headers Debian ships; it never writes through it.
    m_stream->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    qsizetype left = input.size();
    while (left > 0 || m_stream->avail_in > 0) {
        if (m_stream->avail_in == 0) {
            const uInt take = uInt(std::min<qsizetype>(left, 1 << 20));
            m_stream->avail_in = take;
            left -= take;
        }
        m_stream->next_out = reinterpret_cast<Bytef *>(output.data());
        m_stream->avail_out = uInt(output.size());
        const int result = inflate(m_stream.get(), Z_NO_FLUSH);
        const qsizetype produced = qsizetype(output.size()) - qsizetype(m_stream->avail_out);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            // Bytes after a whole member that are not gzip (padding, say) end the stream, as gzip -d
            // takes them.
            m_status = m_memberEnded ? Status::End : Status::Damaged;
            return m_status;
        }
        if (produced > 0 && !sink(QByteArrayView(output.data(), produced))) {
            m_status = Status::Stopped;
            return m_status;
        }
        if (result == Z_STREAM_END) {
            // A gzip file may hold several members one after another; each inflates on from the last.
            m_status = Status::End;
            if (m_stream->avail_in == 0 && left == 0)
                return m_status;
            inflateReset(m_stream.get());
            m_status = Status::NeedInput;
            m_memberEnded = true;
            continue;
        }
        if (produced > 0)
            m_memberEnded = false;
        if (result == Z_BUF_ERROR && produced == 0 && m_stream->avail_in == 0 && left == 0)
            break;
    }
    return m_status;
}

} // namespace kernwick::fontmeta
