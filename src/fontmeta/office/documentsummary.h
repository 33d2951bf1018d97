#pragma once

#include <QByteArray>
#include <QStringList>

namespace kernwick::fontmeta::ppt {

// The first group of the document parts in a \005DocumentSummaryInformation property set stream: the
// fonts, for presentations written by PowerPoint, whatever the localized heading of the group says.
// Empty when the stream is not a readable property set or has no such group.
QStringList fontsFromDocumentSummary(const QByteArray &stream);

} // namespace kernwick::fontmeta::ppt
