#include "handoffpackageview.h"

#include <package/manifest.h>
#include <package/packagebuilder.h>
#include <views/borderedbutton.h>
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

// The lines of a built package's result: what was copied, left out and why, and what failed.
QStringList resultTexts(const PackageOutcome &outcome)
{
    QStringList texts;
    const qsizetype files = outcome.files.size();
    texts.append(outcome.exported.isEmpty()
                     ? u"Copied: no fonts"_s
                     : u"Copied: "_s + outcome.exported.join(u", "_s) + u" ("_s + QString::number(files) +
                           (files == 1 ? u" file in Fonts)"_s : u" files in Fonts)"_s));
    for (const LeftOutFont &font : outcome.leftOut)
        texts.append(u"Left out: "_s + font.fontName + u" — "_s + font.reason);
    for (const QString &name : outcome.failed)
        texts.append(u"Could not copy: "_s + name);
    return texts;
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
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    auto *cards = new QHBoxLayout;
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(16);
    column->addLayout(cards);

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

    m_result = new CardFrame(appearance, CardStyle::innerCard({12, 12, 12, 12}), this);
    m_result->setObjectName(u"packageResult"_s);
    auto *resultRow = new QHBoxLayout(m_result);
    resultRow->setContentsMargins(0, 0, 0, 0);
    resultRow->setSpacing(16);
    m_resultLines = new QVBoxLayout;
    m_resultLines->setSpacing(6);
    resultRow->addLayout(m_resultLines, 1);
    m_reveal = new BorderedButton(appearance, u"Show in File Manager"_s, u"folder"_s, m_result);
    m_reveal->setObjectName(u"showPackage"_s);
    resultRow->addWidget(m_reveal, 0, Qt::AlignTop);
    connect(m_reveal, &QPushButton::clicked, &m_workflow, &WorkflowState::revealLastPackage);
    column->addWidget(m_result);

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
    connect(&m_workflow, &WorkflowState::lastPackageChanged, this, &HandoffPackageView::rebuildResult);
    refresh();
    rebuildResult();
}

void HandoffPackageView::rebuildResult()
{
    while (QLayoutItem *item = m_resultLines->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const std::optional<PackageOutcome> &outcome = m_workflow.lastPackage();
    m_result->setVisible(outcome.has_value());
    if (!outcome)
        return;
    const auto line = [&](const QString &text, int size, QFont::Weight weight, ColorSpec color) {
        auto *label = new TextLabel(m_appearance, text, size, weight, color, m_result);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_resultLines->addWidget(label);
        return label;
    };
    m_reveal->setVisible(outcome->isBuilt);
    if (!outcome->isBuilt) {
        line(u"Package not created"_s, 13, QFont::Bold, colors::red);
        line(outcome->statusMessage, 12, QFont::Normal, colors::secondary);
        return;
    }
    line(u"Package created"_s, 13, QFont::Bold, colors::green);
    line(outcome->packagePath, 12, QFont::Normal, colors::primary)->setObjectName(u"packagePath"_s);
    for (const QString &text : resultTexts(*outcome))
        line(text, 12, QFont::Normal, colors::secondary);
}

QStringList HandoffPackageView::resultLines() const
{
    QStringList lines;
    for (int index = 0; index < m_resultLines->count(); ++index) {
        if (auto *label = qobject_cast<TextLabel *>(m_resultLines->itemAt(index)->widget()))
            lines.append(label->text());
    }
    return lines;
}

void HandoffPackageView::refresh()
{
    const QString &file = m_workflow.selectedFile();
    m_presentationRow->setSubtitle(file.isEmpty() ? u"Your selected presentation"_s
                                                  : QFileInfo(file).fileName());
    m_fontsRow->setSubtitle(fontsSubtitle(m_workflow.travelList().travellingCount()));
    m_fontsRow->setTicked(m_workflow.travelList().travellingCount() > 0);
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
    m_treeLayout->addWidget(FolderTreeRow::folder(m_appearance, packageFolderName(file), 0, m_tree));
    if (m_workflow.includePresentation() && !file.isEmpty())
        m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"doc.fill"_s, colors::secondary,
                                                  QFileInfo(file).fileName(), 1, m_tree));
    m_treeLayout->addWidget(FolderTreeRow::folder(m_appearance, u"Fonts"_s, 1, m_tree));
    // The files of the first fonts that travel, each once: a font's own file, then the faces of its
    // family that go along, drawn lighter.
    const TravelList &travel = m_workflow.travelList();
    int shown = 0;
    QSet<QString> listed;
    for (const TravellingFont &font : travel.fonts) {
        if (shown == shownFontRows)
            break;
        if (font.travel != Travel::inPackage)
            continue;
        ++shown;
        if (font.files.isEmpty()) {
            m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"a.circle.fill"_s, colors::secondary,
                                                      font.fontName, 2, m_tree));
            continue;
        }
        const QStringList &files = font.files;
        for (const QString &path : files) {
            if (listed.contains(path))
                continue;
            listed.insert(path);
            m_treeLayout->addWidget(new FolderTreeRow(m_appearance, u"a.circle.fill"_s, colors::secondary,
                                                      QFileInfo(path).fileName(), 2, m_tree));
        }
    }
    if (const QString overflow = overflowText(travel.travellingCount()); !overflow.isEmpty()) {
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
