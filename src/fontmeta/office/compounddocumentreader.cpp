#include "compounddocumentreader.h"

#include <fontmeta/office/documentsummary.h>
#include <fontmeta/office/pptdocument.h>

#include <QSet>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <mutex>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta::ppt {

namespace {

constexpr int MaxChildren = 65536;

const QString EncryptedNote = u"the document is password-protected; its fonts cannot be read"_s;

// libgsf reports damaged files through GLib warnings; our notes say what matters, and a warning made
// fatal by G_DEBUG must not turn a damaged document into a crash.
void silenceLibgsf()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const auto quiet = [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {
        };
        // libgsf's generic storage code logs without a domain of its own.
        for (const char *domain : {static_cast<const char *>(nullptr), "libgsf", "libgsf:msole"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR), quiet, nullptr);
    });
}

struct Unref
{
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using InputPtr = std::unique_ptr<GsfInput, Unref>;

// A child of a storage by name, compared as Compound Files do (case-insensitively).
InputPtr child(GsfInfile *storage, const char *name)
{
    if (!storage)
        return nullptr;
    const int count = std::min(gsf_infile_num_children(storage), MaxChildren);
    for (int index = 0; index < count; ++index) {
        const char *childName = gsf_infile_name_by_index(storage, index);
        if (childName && g_ascii_strcasecmp(childName, name) == 0)
            return InputPtr(gsf_infile_child_by_index(storage, index));
    }
    return nullptr;
}

GsfInfile *asStorage(const InputPtr &input)
{
    // Streams have no children in libgsf's Compound File reader and answer -1.
    if (!input || gsf_infile_num_children(reinterpret_cast<GsfInfile *>(input.get())) < 0)
        return nullptr;
    return reinterpret_cast<GsfInfile *>(input.get());
}

bool readAt(GsfInput *input, qint64 offset, qint64 size, char *out)
{
    if (offset < 0 || size < 0 || offset > gsf_input_size(input) - size)
        return false;
    if (gsf_input_seek(input, offset, G_SEEK_SET)) // true means it failed
        return false;
    return size == 0 || gsf_input_read(input, size_t(size), reinterpret_cast<guint8 *>(out)) != nullptr;
}

std::optional<QByteArray> readSmallStream(GsfInput *input)
{
    const qint64 size = gsf_input_size(input);
    if (size < 0 || size > CompoundDocumentReader::MaxSmallStreamSize)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    if (!readAt(input, 0, size, bytes.data()))
        return std::nullopt;
    return bytes;
}

} // namespace

CompoundDocumentReader::CompoundDocumentReader(GsfInput *input, QString openError)
    : m_input(input)
    , m_openError(std::move(openError))
{}

CompoundDocumentReader::CompoundDocumentReader(CompoundDocumentReader &&other) noexcept
    : m_input(std::exchange(other.m_input, nullptr))
    , m_openError(std::move(other.m_openError))
    , m_result(std::move(other.m_result))
{}

CompoundDocumentReader::~CompoundDocumentReader()
{
    if (m_input)
        g_object_unref(m_input);
}

CompoundDocumentReader CompoundDocumentReader::fromFile(const QByteArray &encodedPath)
{
    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(encodedPath.constData(), &error);
    QString problem;
    if (!input) {
        problem = u"the document cannot be opened: %1"_s.arg(error ? QString::fromUtf8(error->message)
                                                                   : u"unknown error"_s);
    }
    if (error)
        g_error_free(error);
    return CompoundDocumentReader(input, problem);
}

CompoundDocumentReader CompoundDocumentReader::fromData(const QByteArray &bytes)
{
    return CompoundDocumentReader(
        gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.constData()), bytes.size(), FALSE), {});
}

ReadResult CompoundDocumentReader::read()
{
    silenceLibgsf();
    m_result = {};
    if (!m_input) {
        m_result.notes.append(m_openError.isEmpty() ? u"the document cannot be opened"_s : m_openError);
        return m_result;
    }
    GError *error = nullptr;
    const std::unique_ptr<GsfInfile, Unref> root(gsf_infile_msole_new(m_input, &error));
    if (error)
        g_error_free(error);
    if (!root) {
        m_result.notes.append(u"the document is not a readable Compound File"_s);
        return m_result;
    }
    if (child(root.get(), "EncryptedPackage") || child(root.get(), "EncryptionInfo")) {
        m_result.notes.append(EncryptedNote);
        return m_result;
    }
    // A dual-format file keeps its PowerPoint 97 document in this storage, beside a PowerPoint 95 one.
    const InputPtr dual = child(root.get(), "PP97_DUALSTORAGE");
    GsfInfile *storage = asStorage(dual);
    if (!storage || !child(storage, "PowerPoint Document")) {
        storage = root.get();
        if (child(root.get(), "PP40")) {
            readSummaryInstead(root.get(), root.get(), u"PowerPoint 95 documents are not supported"_s);
            return m_result;
        }
    }
    readPresentation(storage, root.get());
    return m_result;
}

void CompoundDocumentReader::readPresentation(GsfInfile *storage, GsfInfile *root)
{
    const InputPtr document = child(storage, "PowerPoint Document");
    InputPtr currentUser = child(storage, "Current User");
    if (!currentUser)
        currentUser = child(root, "Current User");
    if (!document || !currentUser) {
        m_result.notes.append(u"the Compound File holds no PowerPoint presentation"_s);
        return;
    }
    const std::optional<QByteArray> currentUserBytes = readSmallStream(currentUser.get());
    if (!currentUserBytes) {
        readSummaryInstead(storage, root, u"the Current User stream cannot be read"_s);
        return;
    }
    GsfInput *documentInput = document.get();
    const RandomAccessStream stream{gsf_input_size(documentInput),
                                    [documentInput](qint64 offset, qint64 size, char *out) {
                                        return readAt(documentInput, offset, size, out);
                                    }};
    const FontCollection fonts = readFontCollection(*currentUserBytes, stream);
    switch (fonts.status) {
    case FontCollection::Status::Encrypted:
        readEncryptedPresentation(storage, root);
        return;
    case FontCollection::Status::Unreadable:
        readSummaryInstead(storage, root, fonts.problem);
        return;
    case FontCollection::Status::Read:
        if (!fonts.problem.isEmpty())
            m_result.notes.append(fonts.problem);
        break;
    }
    QSet<QString> seen;
    for (const QString &name : fonts.names) {
        if (!name.trimmed().isEmpty() && !seen.contains(name)) {
            seen.insert(name);
            m_result.uses.append({name, u"font collection"_s});
        }
    }
    m_result.embedded = fonts.embedded;
    // The collection keeps every font the document ever held; PowerPoint's own list in the document
    // summary has the ones its text uses. Where on the slides is not read here.
    const QStringList used = summaryFonts(storage, root);
    if (used.isEmpty())
        return;
    m_result.drawnFonts = DrawnFonts::NamesOnly;
    for (const QString &name : used)
        m_result.drawnUses.append({name, {}});
}

QStringList CompoundDocumentReader::summaryFonts(GsfInfile *storage, GsfInfile *root)
{
    InputPtr summary = child(storage, "\005DocumentSummaryInformation");
    if (!summary)
        summary = child(root, "\005DocumentSummaryInformation");
    if (!summary)
        return {};
    const std::optional<QByteArray> bytes = readSmallStream(summary.get());
    return bytes ? fontsFromDocumentSummary(*bytes) : QStringList();
}

bool CompoundDocumentReader::readSummaryFonts(GsfInfile *storage, GsfInfile *root)
{
    // The summary streams stay readable when the records cannot be (encryption leaves them alone unless
    // it encrypted them as well), and in files written by PowerPoint the summary's first group lists the
    // same fonts as the font collection.
    const QStringList names = summaryFonts(storage, root);
    QSet<QString> seen;
    for (const QString &name : names) {
        if (!name.trimmed().isEmpty() && !seen.contains(name)) {
            seen.insert(name);
            m_result.uses.append({name, u"document summary"_s});
            m_result.drawnUses.append({name, {}});
        }
    }
    if (m_result.uses.isEmpty())
        return false;
    m_result.drawnFonts = DrawnFonts::NamesOnly;
    return true;
}

void CompoundDocumentReader::readEncryptedPresentation(GsfInfile *storage, GsfInfile *root)
{
    m_result.notes.append(
        readSummaryFonts(storage, root)
            ? u"the document is password-protected; its fonts are taken from its document summary"_s
            : EncryptedNote);
}

void CompoundDocumentReader::readSummaryInstead(GsfInfile *storage, GsfInfile *root, const QString &problem)
{
    m_result.notes.append(readSummaryFonts(storage, root)
                              ? problem + u"; the fonts are taken from the document summary"_s
                              : problem);
}

} // namespace kernwick::fontmeta::ppt
