#include "diagnostics.h"

#include <model/printabletext.h>

#include <cstdio>

namespace kernwick {

void writeDiagnosticLine(const QString &line)
{
    // A name or path from outside in the line never reaches the terminal as a command.
    const QByteArray bytes = printableText(line).toUtf8() + '\n';
    // One write per line, so that lines from different threads never mix.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace kernwick
