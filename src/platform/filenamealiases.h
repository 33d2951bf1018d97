#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <mutex>

namespace kernwick {

// File names are bytes. Qt reads every name as UTF-8 and replaces what does not decode, so a file named in
// an older encoding (an old Latin-1 "Caf\xe9.pptx") cannot be opened by the name Qt gives it. Such a file is
// reached through a link of a UTF-8 name in a private folder of this process instead; everything that opens
// files by name opens the link, and what a person reads names the file as they know it. The links and their
// folders go when this object does; nothing else is ever removed there.
class FileNameAliases final
{
public:
    FileNameAliases() = default;
    ~FileNameAliases();
    Q_DISABLE_COPY_MOVE(FileNameAliases)

    // A path that names `nativePath` for Qt's file functions: the path itself when it reads as UTF-8, else a
    // link to it whose name shows the bytes that do not decode as U+FFFD. Empty, with the reason in `error`,
    // when there is no such file or no link can be made.
    QString pathFor(const QByteArray &nativePath, QString *error = nullptr);

    // The same for a path as Qt shows it, its undecodable bytes replaced by U+FFFD (as a file dialog that
    // lists a folder gives it back): each such part of the path is matched to the one name on disk that
    // reads so. The path itself when it names a file as it is or no single file reads so.
    QString pathForShown(const QString &shownPath, QString *error = nullptr);

    // The same for a local file URL, whose percent-encoded path holds the bytes of the name.
    QString pathForUrl(const QUrl &url, QString *error = nullptr);

    // A path as its owner knows it: the file a link stands for as it was first given, bytes that are not
    // UTF-8 shown as U+FFFD.
    QString shownPath(const QString &path) const;

    // Whether `path` is, or lies inside, a link made here.
    bool isAlias(const QString &path) const;

    // The bytes `path` stands for: the name on disk behind a link made here.
    QByteArray nativePath(const QString &path) const;

    // A local file URL for `path` that keeps every byte of the name it stands for.
    QUrl urlFor(const QString &path) const;

    // Whether `name` reads as UTF-8 and comes back as the same bytes.
    static bool isUtf8(const QByteArray &name);

private:
    // The link `path` lies in, and what follows it ("/Data/x.iwa"); an empty link for other paths.
    QString aliasOf(const QString &path, QString *rest) const;

    mutable std::mutex m_lock;
    QByteArray m_root;
    QString m_rootPath;
    QHash<QString, QByteArray> m_targets; // link → the native path it stands for
    QHash<QByteArray, QString> m_links;   // native path → its link
    QHash<QString, QString> m_shown;      // link → the path as first given, shown
};

} // namespace kernwick
