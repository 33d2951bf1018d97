#pragma once

#include <scan/fontscanner.h>

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

namespace kernwick {

class FileNameAliases;

// The commands of the show machine: --verify, --install-fonts and --uninstall-fonts, given in this order
// in `options`. The exit status when one of them was given, nothing otherwise. A package is named as
// `aliases` show it.
std::optional<int> runHandoffCommand(const QCommandLineParser &parser,
                                     const QList<QCommandLineOption> &options, bool json,
                                     const FontScanner &scanner, const FileNameAliases &aliases);

} // namespace kernwick
