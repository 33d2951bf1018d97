#include "fonttablemodel.h"

#include <model/statuspresentation.h>
#include <resolve/fontresolver.h>
#include <scan/fontusage.h>
#include <workflow/workflowstate.h>

#include <QMimeData>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString emDash = u"—"_s;
const QString adobeToolTip =
    u"Licensed Adobe font — cannot be redistributed. The show computer needs its own Adobe "
    u"Creative Cloud subscription to use this font."_s;
} // namespace

FontTableModel::FontTableModel(WorkflowState &workflow, QString homeFolder, QObject *parent)
    : QAbstractTableModel(parent)
    , m_workflow(workflow)
    , m_homeFolder(std::move(homeFolder))
{
    rebuildRows();
    connect(&m_workflow, &WorkflowState::fontItemsChanged, this, &FontTableModel::listChanged);
    connect(&m_workflow, &WorkflowState::hideSystemFontsChanged, this, &FontTableModel::listChanged);
}

void FontTableModel::rebuildRows()
{
    m_rows.clear();
    m_shownIds.clear();
    m_hidingSystem = m_workflow.hideSystemFonts();
    m_unfilteredRows = 0;
    const FontStatusItems &items = m_workflow.fontItems();
    m_rows.reserve(items.size());
    for (qsizetype index = 0; index < items.size(); ++index) {
        if (m_hidingSystem && items[index].status == FontStatus::system)
            continue;
        ++m_unfilteredRows;
        if (!m_nameFilter.isEmpty() && !items[index].fontName.contains(m_nameFilter, Qt::CaseInsensitive))
            continue;
        m_rows.append(index);
        m_shownIds.append(items[index].id);
    }
}

bool FontTableModel::isShown(const FontStatusItem &item) const
{
    return !(m_hidingSystem && item.status == FontStatus::system) &&
           (m_nameFilter.isEmpty() || item.fontName.contains(m_nameFilter, Qt::CaseInsensitive));
}

void FontTableModel::setNameFilter(const QString &text)
{
    const QString filter = text.trimmed();
    if (filter == m_nameFilter)
        return;
    beginResetModel();
    m_nameFilter = filter;
    rebuildRows();
    endResetModel();
}

void FontTableModel::listChanged()
{
    // A ticked checkbox changes one item in place: repaint, keeping the view where it is. A new order, a
    // new list or a change of what is hidden lays the rows out afresh.
    const FontStatusItems &items = m_workflow.fontItems();
    bool sameRows = m_hidingSystem == m_workflow.hideSystemFonts();
    for (qsizetype row = 0; sameRows && row < m_rows.size(); ++row)
        sameRows = m_rows[row] < items.size() && items[m_rows[row]].id == m_shownIds[row];
    if (sameRows) {
        qsizetype expected = 0;
        for (const FontStatusItem &item : items)
            expected += isShown(item);
        sameRows = expected == m_rows.size();
    }
    if (sameRows) {
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount_ - 1));
        return;
    }
    beginResetModel();
    rebuildRows();
    endResetModel();
}

int FontTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FontTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

const FontStatusItem &FontTableModel::item(int row) const
{
    return m_workflow.fontItems().at(m_rows.at(row));
}

QVariant FontTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FontStatusItem &font = item(index.row());
    const bool installed = font.status == FontStatus::installed;
    // The package's one answer on whether the font travels.
    const TravellingFont *travelling = installed ? m_workflow.travelList().find(font.id) : nullptr;
    if (role == travelRole)
        return travelling ? QVariant(int(travelling->travel)) : QVariant();
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case nameColumn:
            return font.fontName;
        case statusColumn:
            return statusPresentation(font.status).badgeText;
        case typeColumn:
            return fontTypeLabel(font);
        case locationColumn:
            return fontLocationLabel(font, m_homeFolder);
        case inPackageColumn:
            return travelling ? travelCellText(travelling->travel) : emDash;
        case previewColumn:
            return installed && font.hasFile() ? font.fontName : emDash;
        default:
            return {};
        }
    }
    if (role == declaredOnlyRole)
        return !m_workflow.fontUsage(font.fontName).used;
    if (role == noteRole)
        return notes(font, data(index, declaredOnlyRole).toBool(), true).join(u" · "_s);
    if (role == licenseMarkRole)
        return installed && font.isRestricted();
    if (role == Qt::AccessibleTextRole) {
        if (index.column() == nameColumn) {
            QStringList parts = {font.fontName};
            parts += notes(font, data(index, declaredOnlyRole).toBool(), false);
            if (data(index, licenseMarkRole).toBool())
                parts.append(permissionLabel(font.permission));
            return parts.join(u", "_s);
        }
        if (index.column() != includeColumn)
            return data(index, Qt::DisplayRole);
        if (travelling)
            return travelling->travel == Travel::inPackage ? u"Included"_s
                                                           : travelCellText(travelling->travel);
        return font.status == FontStatus::adobe ? u"Licensed, cannot be included"_s : u"Not included"_s;
    }
    if (role == Qt::AccessibleDescriptionRole) {
        // The whole row, for a reader that announces rows.
        QStringList cells;
        for (int column = 0; column < columnCount_; ++column)
            cells.append(data(this->index(index.row(), column), Qt::AccessibleTextRole).toString());
        return cells.join(u", "_s);
    }
    if (role == Qt::CheckStateRole && index.column() == includeColumn && installed)
        return font.isSelected ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole) {
        if (index.column() == includeColumn && font.status == FontStatus::adobe)
            return adobeToolTip;
        if (index.column() == nameColumn) {
            // Where the font is used, what else the row knows, then for a missing font what a click does.
            QStringList lines;
            if (QString usage = describeUsage(m_workflow.fontUsage(font.fontName)); !usage.isEmpty()) {
                usage[0] = usage[0].toUpper();
                lines.append(usage);
            }
            lines += notes(font, false, false);
            if (data(index, licenseMarkRole).toBool())
                lines.append(permissionDescription(font.permission));
            if (font.status == FontStatus::missing)
                lines.append(u"Search Google for \""_s + font.fontName + u"\" font"_s);
            if (!lines.isEmpty())
                return lines.join(u'\n');
        }
        if (index.column() == locationColumn && font.hasFile())
            return u"Show in File Manager"_s;
        if (index.column() == includeColumn && installed && font.isRestricted())
            return permissionDescription(font.permission);
        if (index.column() == inPackageColumn && travelling)
            return inPackageToolTip(font, travelling->travel);
        if (index.column() == statusColumn) {
            if (const QStringList lines = notes(font, false, false); !lines.isEmpty())
                return lines.join(u'\n');
        }
    }
    return {};
}

QStringList FontTableModel::notes(const FontStatusItem &font, bool declaredOnly, bool brief)
{
    QStringList notes;
    if (declaredOnly)
        notes.append(notUsedMark());
    if (font.isEmbedded())
        notes.append(u"Embedded in the presentation ("_s + faceStylesText(font.embeddedFaces) + u')');
    if (font.status == FontStatus::missing && !font.familyWithoutFace.isEmpty())
        notes.append(familyWithoutFaceText(font.familyWithoutFace, font.missingFaceStyle));
    if (font.status == FontStatus::missing && !font.metricTwins.isEmpty())
        notes.append(brief ? u"Same metrics: "_s + font.metricTwins.join(u", "_s)
                           : metricTwinText(font.metricTwins));
    if (const MissingCharacters &missing = font.missingCharacters; !missing.isEmpty()) {
        if (brief) {
            // The row's line stays short: the first few characters; the tooltip has them all and where.
            const QList<uint> first =
                missing.characters.toUcs4().first(std::min<qsizetype>(missing.count, 5));
            QStringList shown;
            for (const uint c : first) {
                const char32_t character = c;
                shown.append(QString::fromUcs4(&character, 1));
            }
            notes.append((missing.count == 1 ? u"1 character not in the font: "_s
                                             : u"%1 characters not in the font: "_s.arg(missing.count)) +
                         shown.join(u' ') + (missing.count > shown.size() ? u" …"_s : QString()));
        } else {
            notes.append(missingCharactersText(font.fontName, missing));
        }
    }
    return notes;
}

QString FontTableModel::inPackageToolTip(const FontStatusItem &font, Travel travel)
{
    switch (travel) {
    case Travel::inPackage:
        return font.faces.isEmpty() ? u"Its file travels in the package's Fonts folder."_s
                                    : facesToolTip(font);
    case Travel::leftOutByChoice:
        return u"Left out by choice: tick it to put it into the package. The show computer then needs it "
               u"installed some other way."_s;
    case Travel::heldByLicence:
        return permissionDescription(EmbeddingPermission::restricted);
    }
    return {};
}

QString FontTableModel::facesToolTip(const FontStatusItem &font)
{
    QStringList styles;
    for (const FontFace &face : font.faces)
        styles.append(face.style.isEmpty() ? u"Face"_s : face.style);
    const qsizetype files = distinctFiles(font.faces).size();
    return (font.faces.size() == 1 ? u"1 face travels: "_s
                                   : QString::number(font.faces.size()) + u" faces travel: "_s) +
           faceStylesText(styles) + u" ("_s + QString::number(files) +
           (files == 1 ? u" file)"_s : u" files)"_s);
}

QVariant FontTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    // The tick column shows no title, but a screen reader names it.
    if (role == Qt::AccessibleTextRole)
        return section == includeColumn ? u"Include in package"_s : headerData(section, orientation);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case nameColumn:
        return u"Font Name"_s;
    case statusColumn:
        return u"Status"_s;
    case typeColumn:
        return u"Type"_s;
    case locationColumn:
        return u"Location"_s;
    case inPackageColumn:
        return u"In Package"_s;
    case previewColumn:
        return u"Preview"_s;
    default:
        return QString();
    }
}

Qt::ItemFlags FontTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const FontStatusItem &font = item(index.row());
    if (font.hasFile())
        flags |= Qt::ItemIsDragEnabled;
    if (index.column() == includeColumn && font.status == FontStatus::installed)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QStringList FontTableModel::mimeTypes() const
{
    return {u"text/uri-list"_s};
}

QMimeData *FontTableModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty() || !indexes.first().isValid())
        return nullptr;
    const FontStatusItem &font = item(indexes.first().row());
    if (!font.hasFile())
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(font.filePath())});
    return data;
}

} // namespace kernwick
