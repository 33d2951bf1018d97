#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <functional>
#include <memory>

struct z_stream_s;

namespace kernwick::fontmeta {

// Inflates a gzip stream fed in pieces, handing the output on in pieces of at most 64 KiB, so that what
// it inflates to is never held whole and the caller can stop it at any size.
class GzipInflater final
{
public:
    enum class Status
    {
        NeedInput, // everything fed so far was inflated; more is expected
        End,       // the last gzip member fed so far ended; feeding more goes on with the next member
        Damaged,   // not gzip, or corrupt
        Stopped,   // the sink refused a piece
    };
    using Sink = std::function<bool(QByteArrayView)>;

    GzipInflater();
    ~GzipInflater();
    Q_DISABLE_COPY_MOVE(GzipInflater)

    Status feed(QByteArrayView input, const Sink &sink);
    Status status() const { return m_status; }

private:
    std::unique_ptr<z_stream_s> m_stream;
    Status m_status = Status::NeedInput;
    bool m_memberEnded = false; // a member ended, and the next has given no output yet
};

} // namespace kernwick::fontmeta
