#include "diagnostics.h"

#include <cstdio>

namespace kernwick {

void writeDiagnosticLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    // One write per line, so that lines from different threads never mix.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace kernwick
