#pragma once

#include <fontmeta/fontuse.h>

#include <QByteArray>
#include <QString>

#include <memory>

typedef struct _GsfInfile GsfInfile;
typedef struct _GsfInput GsfInput;

namespace kernwick::fontmeta::ppt {

// Opens a Compound File with libgsf (which bounds its sector chains and directory) and decides what it
// holds: a binary presentation, an encrypted one, an encrypted Office Open XML package, or other.
class CompoundDocumentReader final
{
public:
    static CompoundDocumentReader fromFile(const QByteArray &encodedPath);
    // The bytes must outlive the reader; the fuzz targets and tests read from memory.
    static CompoundDocumentReader fromData(const QByteArray &bytes);
    ~CompoundDocumentReader();
    CompoundDocumentReader(CompoundDocumentReader &&other) noexcept;
    CompoundDocumentReader &operator=(CompoundDocumentReader &&) = delete;
    Q_DISABLE_COPY(CompoundDocumentReader)

    ReadResult read();

    // Streams of a storage are read whole only up to this size; the document stream is read in place.
    static constexpr qint64 MaxSmallStreamSize = qint64(1) << 20;

private:
    explicit CompoundDocumentReader(GsfInput *input, QString openError);

    void readPresentation(GsfInfile *storage, GsfInfile *root);
    void readEncryptedPresentation(GsfInfile *storage, GsfInfile *root);
    // The font group of the document summary, empty when there is none.
    static QStringList summaryFonts(GsfInfile *storage, GsfInfile *root);
    // A presentation whose records cannot be walked (PowerPoint 95, damage): the fonts its document
    // summary lists, and a note with `problem`.
    void readSummaryInstead(GsfInfile *storage, GsfInfile *root, const QString &problem);
    bool readSummaryFonts(GsfInfile *storage, GsfInfile *root);

    GsfInput *m_input;
    QString m_openError;
    ReadResult m_result;
};

} // namespace kernwick::fontmeta::ppt
