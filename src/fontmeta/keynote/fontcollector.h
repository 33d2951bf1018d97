#pragma once

#include <fontmeta/fontuse.h>

#include <QByteArrayView>
#include <QString>

namespace kernwick::fontmeta {

// Gathers the font names of one document and the notes about it, refusing names that cannot be font
// names (not UTF-8, control characters, absurd lengths) and stopping at a bound on how many it keeps.
class FontCollector final
{
public:
    explicit FontCollector(int maxUses);

    void addUtf8(QByteArrayView name, const QString &place);
    void add(const QString &name, const QString &place);
    // A font that text draws, place unknown; tells the result that such fonts are known.
    void addDrawnUtf8(QByteArrayView name, const QString &characters = {});
    void setDrawnFonts(DrawnFonts drawn) { m_result.drawnFonts = drawn; }
    void addNote(const QString &note);
    bool isFull() const { return m_result.uses.size() >= m_maxUses; }
    bool isEmpty() const { return m_result.uses.isEmpty(); }

    // Drops the names gathered so far (the document turned out not to be what it seemed); notes stay.
    void clearUses();
    // The result, with a note for the names that were skipped or cut off.
    ReadResult take();

private:
    ReadResult m_result;
    int m_maxUses;
    int m_refusedNames = 0;
    int m_droppedNotes = 0;
};

} // namespace kernwick::fontmeta
