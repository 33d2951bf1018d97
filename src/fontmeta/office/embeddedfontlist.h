#pragma once

#include <fontmeta/fontuse.h>

#include <QByteArray>

#include <functional>

namespace kernwick::fontmeta::ooxml {

// The fonts that a presentation part's embedded font list (p:embeddedFontLst) says the package carries,
// with the faces it carries of each: a face counts when its relationship id is one that `isFontPart`
// accepts (without it, any id). A part that is not well-formed gives what was read before the fault.
QList<EmbeddedFont> readEmbeddedFontList(const QByteArray &presentationXml,
                                         const std::function<bool(QStringView id)> &isFontPart = {});

// The most fonts taken from one list; PowerPoint embeds a handful.
constexpr int MaxEmbeddedFonts = 1000;

} // namespace kernwick::fontmeta::ooxml
