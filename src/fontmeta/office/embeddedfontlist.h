#pragma once

#include <fontmeta/fontuse.h>

#include <QByteArray>

#include <functional>
#include <optional>

namespace kernwick::fontmeta::ooxml {

// The fonts that a presentation part's embedded font list (p:embeddedFontLst) says the package carries,
// with the faces it carries of each: a face counts when its relationship id is one that `isFontPart`
// accepts (without it, any id). A part that is not well-formed gives what was read before the fault.
// `faceIds`, when given, gets for each font the relationship ids of its faces, in the order of its faces.
QList<EmbeddedFont> readEmbeddedFontList(const QByteArray &presentationXml,
                                         const std::function<bool(QStringView id)> &isFontPart = {},
                                         QList<QStringList> *faceIds = nullptr);

// The font file inside an embedded font part (ppt/fonts/*.fntdata): a plain TrueType or OpenType font or
// collection as it stands, or the font data of an Embedded OpenType file, un-XOR-ed where its flags say
// so. Nothing for compressed (MicroType Express) font data or anything that is neither.
std::optional<QByteArray> fontInEmbeddedPart(const QByteArray &part);

// The most fonts taken from one list; PowerPoint embeds a handful.
constexpr int MaxEmbeddedFonts = 1000;

} // namespace kernwick::fontmeta::ooxml
