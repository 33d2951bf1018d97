#pragma once

#include <platform/childprocess.h>
#include <platform/ziparchive.h>
#include <scan/scantext.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kernwick {

// One font of a document as its helper names it, and where the document uses it.
struct MetadataFont
{
    QString name;
    QStringList places;
    bool used = true;                // false when no text uses it: the document only declares it
    QStringList usedIn = {};         // where text draws it
    bool usedInKnown = false;        // false when the helper cannot tell where
    DrawnCharacters characters = {}; // where text draws it, the characters drawn there
};

// The helper's answer about one document: its fonts, in the order given (a name may come twice), and
// what the helper had to say about reading it (what it could not read, what it cut).
struct MetadataAnswer
{
    QList<MetadataFont> fonts;
    QStringList notes;
    QList<EmbeddedFontFaces> embedded = {};

    QStringList names() const;
};

// The fonts in the helper's machine answer, a JSON object
//     {"path": "…", "fonts": [{"name": "…", "places": ["slide 1", …], "used": true,
//                             "usedIn": ["slide 1", …] or null, "characters": {"slide 1": "…"}}, …],
//      "notes": ["…", …]}
// A font without "used" counts as used.
// Every name is taken on its own: control characters become spaces, it is trimmed, and it is dropped
// when empty, "null", holding a "/", ending in a presentation extension or longer than any font name.
// At most maxFontNames names are taken; what is cut or cannot be read gets a note.
MetadataAnswer parseMetadataAnswer(const QByteArray &answer);

// One name of the answer as the scan keeps it, or an empty string when it is dropped.
QString metadataFontName(QStringView name);

// Reads a document in the calling process and gives the answer the helper would print for it; the tap,
// when given, is handed the members of an Office Open XML package as the reader inflates them.
using DocumentReader = std::function<QByteArray(const QString &path, const ZipMemberTap *tap)>;

// Asks the helper, `kernwick-fontmeta --query PATH`, for the fonts a document names, or the helper's own
// readers in this process (no crash boundary, one start-up less per document).
class MetadataQuery final
{
public:
    // An empty program or one that cannot be started makes the query contribute nothing.
    explicit MetadataQuery(QString program = {}, ChildProcessLimits limits = {});
    explicit MetadataQuery(DocumentReader reader);

    // Starts a helper now that waits for the next document (`--wait-for-query`), unless one waits already:
    // the next query hands its document to it instead of starting one and waiting for its start-up. Each
    // document still gets a process of its own, with the same limits. Copies of this query share it.
    void startHelperAhead() const;

    // The tap is used only by a reader in this process.
    MetadataAnswer query(const QString &presentationPath, const ZipMemberTap *tap = nullptr) const;
    // The same, with `meanwhile` run in this process while a helper that was kept ready reads the
    // document (before it, otherwise).
    MetadataAnswer query(const QString &presentationPath, const std::function<void()> &meanwhile) const;
    bool readsInProcess() const { return bool(m_reader); }
    QStringList metadataFonts(const QString &presentationPath) const
    {
        return query(presentationPath).names();
    }
    const QString &program() const { return m_program; }

    // The helper beside the running program (a build tree), else in the libexec folder that lies where an
    // installation puts it relative to the program (an installation moved elsewhere), else in the folder
    // the build was configured to install it to; empty when there is none.
    static QString locateHelper(const QString &applicationDir, const QString &libexecFromApplication,
                                const QString &installedLibexecDir);

private:
    struct ReadyHelper;
    std::optional<QByteArray> askHelper(const QString &presentationPath,
                                        const std::function<void()> &meanwhile) const;

    QString m_program;
    ChildProcessLimits m_limits;
    DocumentReader m_reader;
    std::shared_ptr<ReadyHelper> m_ready;
};

} // namespace kernwick
