#pragma once

#include <fontmeta/fontuse.h>

#include <QByteArray>

namespace kernwick::fontmeta::ooxml {

// The fonts that a presentation part's embedded font list (p:embeddedFontLst) says the package carries,
// with the faces it carries of each. A part that is not well-formed gives what was read before the fault.
QList<EmbeddedFont> readEmbeddedFontList(const QByteArray &presentationXml);

// The most fonts taken from one list; PowerPoint embeds a handful.
constexpr int MaxEmbeddedFonts = 1000;

} // namespace kernwick::fontmeta::ooxml
