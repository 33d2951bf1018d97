#pragma once

#include <QString>

#include <functional>

namespace kernwick {

// Where diagnostic lines go: "[Tag] text", one per event. The program's is standard output; tests collect
// the lines instead.
using DiagnosticSink = std::function<void(const QString &line)>;

// Writes one line to standard output at once, made printable (printableText); safe from any thread.
void writeDiagnosticLine(const QString &line);

} // namespace kernwick
