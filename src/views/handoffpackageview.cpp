#include "handoffpackageview.h"

#include <package/manifest.h>
#include <package/packagebuilder.h>
#include <views/cardframe.h>
#include <views/filledbutton.h>
#include <views/foldertreerow.h>
#include <views/packagerow.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QSet>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr int shownFontRows = 3;

QFrame *divider(Appearance &appearance, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFixedHeight(1);
    auto apply = [line, &appearance] {
        line->setStyleSheet(u"background: %1;"_s.arg(
            appearance.color(colors::primary.withOpacity(0.1)).name(QColor::HexArgb)));
    };
    apply();
    QObject::connect(&appearance, &Appearance::colorSchemeChanged, line, apply);
    return line;
}

} // namespace

QString HandoffPackageView::fontsSubtitle(qsizetype transferableCount)
{
    return QString::number(transferableCount) + (transferableCount == 1 ? u" font"_s : u" fonts"_s) +
           u" · Fonts found on this computer"_s;
}

QString HandoffPackageView::overflowText(qsizetype transferableCount)
{
    if (transferableCount <= shownFontRows)
        return {};
    return QString(8, u' ') + u"+ "_s + QString::number(transferableCount - shownFontRows) + u" more…"_s;
}

HandoffPackageView::HandoffPackageView(Appearance &appearance, WorkflowState &workflow, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_workflow(workflow)
{
    setObjectName(u"handoffPackage"_s);
    auto *cards = new QHBoxLayout(this);
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(16);

    auto *contents = new CardFrame(appearance, CardStyle::innerCard({12, 12, 12, 12}), this);
    contents->setObjectName(u"packageContents"_s);
    auto *contentsColumn = new QVBoxLayout(contents);
    contentsColumn->setContentsMargins(0, 0, 0, 0);
    contentsColumn->setSpacing(10);
    contentsColumn->addWidget(
        new TextLabel(appearance, u"Package Contents"_s, 13, QFont::Bold, colors::secondary, contents));
    m_presentationRow = new PackageRow(appearance, u"doc.fill"_s, u"Presentation file"_s, {}, true, contents);
    contentsColumn->addWidget(m_presentationRow);
    contentsColumn->addWidget(divider(appearance, contents));
    m_fontsRow = new PackageRow(appearance, u"textformat"_s, u"Found fonts"_s, {}, false, contents);
    contentsColumn->addWidget(m_fontsRow);
    contentsColumn->addWidget(divider(appearance, contents));
    m_reportRow = new PackageRow(appearance, u"doc.text.fill"_s, u"Font report"_s,
                                 u"font-report.txt · Summary of font usage"_s, true, contents);
    contentsColumn->addWidget(m_reportRow);
    contentsColumn->addStretch(1);
    cards->addWidget(contents, 1, Qt::AlignTop);

    auto *preview = new CardFrame(appearance, CardStyle::innerCard({12, 12, 12, 12}), this);
    preview->setObjectName(u"folderPreview"_s);
    auto *previewColumn = new QVBoxLayout(preview);
    previewColumn->setContentsMargins(0, 0, 0, 0);
    previewColumn->setSpacing(8);
    previewColumn->addWidget(
        new TextLabel(appearance, u"Handoff Folder Preview"_s, 13, QFont::Bold, colors::secondary, preview));
    m_tree = new QWidget(preview);
    m_treeLayout = new QVBoxLayout(m_tree);
    m_treeLayout->setContentsMargins(0, 0, 0, 0);
    m_treeLayout->setSpacing(8);
    previewColumn->addWidget(m_tree);
    previewColumn->addStretch(1);
    FilledButton::Look look;
    look.textSize = 15;
    look.weight = QFont::DemiBold;
    look.padding = {0, 10, 0, 10};
    look.radius = 8;
    look.symbolName = u"shippingbox.fill"_s;
    m_create = new FilledButton(appearance, u"Create Package"_s, look, preview);
    m_create->setObjectName(u"createPackage"_s);
    m_create->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    previewColumn->addWidget(m_create);
    cards->addWidget(preview, 1, Qt::AlignTop);

    m_presentationRow->checkBox()->setObjectName(u"includePresentation"_s);
    m_reportRow->checkBox()->setObjectName(u"includeReport"_s);
    connect(m_presentationRow->checkBox(), &QCheckBox::toggled, &m_workflow,
            &WorkflowState::setIncludePresentation);
    connect(m_reportRow->checkBox(), &QCheckBox::toggled, &m_workflow, &WorkflowState::setIncludeReport);
    connect(m_create, &QAbstractButton::clicked, &m_workflow, &WorkflowState::createPackage);
    for (auto signal : {&WorkflowState::selectedFileChanged, &WorkflowState::fontItemsChanged,
                        &WorkflowState::includePresentationChanged, &WorkflowState::includeReportChanged,
                        &WorkflowState::isPackagingChanged})
        connect(&m_workflow, signal, this, &HandoffPackageView::refresh);
    refresh();
}

void HandoffPackageView::refresh()
{
    const QString &file = m_workflow.selectedFile();
    m_presentationRow->setSubtitle(file.isEmpty() ? u"Your selected presentation"_s
                                                  : QFileInfo(file).fileName());
    m_fontsRow->setSubtitle(fontsSubtitle(installedCount(m_workflow.fontItems())));
    m_fontsRow->setTicked(installedCount(m_workflow.fontItems()) > 0);
    {
        const QSignalBlocker presentation(m_presentationRow->checkBox());
        const QSignalBlocker report(m_reportRow->checkBox());
        m_presentationRow->checkBox()->setChecked(m_workflow.includePresentation());
        m_reportRow->checkBox()->setChecked(m_workflow.includeReport());
    }
    // A build in progress cannot be started twice.
    m_create->setEnabled(!file.isEmpty() && !m_workflow.fontItems().isEmpty() && !m_workflow.isPackaging());
    m_create->update();
    rebuildTree();
}

void HandoffPackageView::rebuildTree()
{
    while (QLayoutItem *item = m_treeLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    m_overflow = nullptr;

    const QString &file = m_workflow.selectedFile();
    const FontStatusItems &items = m_workflow.fontItems();
    m_treeLayout->addWidget(FolderTreeRow::folder(m_appearance, packageFolderName(file), 0, m_tree));
    if (m_workflow.includePresentation() && !file.isEmpty())
        m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"doc.fill"_s, colors::secondary,
                                                  QFileInfo(file).fileName(), 1, m_tree));
    m_treeLayout->addWidget(FolderTreeRow::folder(m_appearance, u"Fonts"_s, 1, m_tree));
    // The files of the first selected fonts, each once: a font's own file, then the faces of its family
    // that go along, drawn lighter.
    int shown = 0;
    QSet<QString> listed;
    for (const FontStatusItem &item : items) {
        if (shown == shownFontRows)
            break;
        if (item.status != FontStatus::installed || !item.isSelected)
            continue;
        ++shown;
        if (!item.hasFile()) {
            m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"a.circle.fill"_s, colors::secondary,
                                                      item.fontName, 2, m_tree));
            continue;
        }
        const QStringList files = travellingFiles(item);
        for (const QString &path : files) {
            if (listed.contains(path))
                continue;
            listed.insert(path);
            m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"a.circle.fill"_s, colors::secondary,
                                                      QFileInfo(path).fileName(), 2, m_tree));
        }
    }
    if (const QString overflow = overflowText(installedCount(items)); !overflow.isEmpty()) {
        m_overflow = new TextLabel(m_appearance, overflow, 13, QFont::Normal, colors::secondary, m_tree);
        m_overflow->setObjectName(u"overflow"_s);
        m_treeLayout->addWidget(m_overflow);
    }
    if (m_workflow.includeReport())
        m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"doc.text"_s, colors::secondary,
                                                  u"font-report.txt"_s, 1, m_tree));
    // What the show machine reads; in every package, whatever the options say.
    m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"doc.text"_s, colors::secondary,
                                              QString::fromLatin1(manifestFileName), 1, m_tree));
}

QList<FolderTreeRow *> HandoffPackageView::treeRows() const
{
    QList<FolderTreeRow *> rows;
    for (int index = 0; index < m_treeLayout->count(); ++index) {
        if (auto *row = qobject_cast<FolderTreeRow *>(m_treeLayout->itemAt(index)->widget()))
            rows.append(row);
    }
    return rows;
}

} // namespace kernwick
