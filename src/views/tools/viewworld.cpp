#include "viewworld.h"

#include <QSignalSpy>

#include <testsupport/testfontfiles.h>
#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;

namespace kernwick::test {

namespace {

bool addLicensedFonts(const TestFonts &fonts)
{
    for (const QString &face : {u"Caladea-Regular.ttf"_s, u"Caladea-Bold.ttf"_s}) {
        const QString copy = fonts.userFontFolder() + u'/' + face;
        // Restricted License: may not be embedded or passed on.
        if (!TestFonts::copyFontFile(u"/usr/share/fonts/truetype/crosextra/"_s + face,
                                     fonts.userFontFolder()) ||
            !setEmbeddingBits(copy, 0x0002))
            return false;
    }
    return true;
}

} // namespace

ViewWorld::ViewWorld(const QString &helperDir, const TestFonts &fonts)
    : m_licensedFontsAdded(addLicensedFonts(fonts))
    , m_resolver(m_fontSource)
    , m_scanner(MetadataQuery(helperDir + u"/kernwick-fontmeta"_s))
{
    // One worker: a held worker holds every scan queued behind it.
    m_workers.setMaxThreadCount(1);
    // As in the program: Qt's font database and the resolver read one fontconfig configuration.
    m_fontSource.shareAsCurrent();
}

std::shared_ptr<void> ViewWorld::holdScans()
{
    m_workers.start([this] { m_hold.acquire(); });
    return std::shared_ptr<void>(nullptr, [this](void *) { m_hold.release(); });
}

ViewWorld::~ViewWorld()
{
    m_workers.waitForDone();
}

std::unique_ptr<WorkflowState> ViewWorld::makeWorkflow()
{
    m_settings = std::make_unique<QSettings>(
        m_folder.filePath(u"settings-"_s + QString::number(++m_settingsCount) + u".ini"_s),
        QSettings::IniFormat);
    return std::make_unique<WorkflowState>(WorkflowServices{m_scanner, m_resolver, chooser, desktop, desktop,
                                                            *m_settings, m_workers, [](const QString &) {
                                                            }});
}

QString ViewWorld::deck(const QString &name, const QStringList &fonts, const QStringList &declaredOnly,
                        const QStringList &embedded, const QHash<QString, QString> &texts) const
{
    const QByteArray namespaces =
        " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const auto relationships = [](const QList<std::pair<QByteArray, QByteArray>> &targets) {
        QByteArray xml(
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
        int id = 0;
        for (const auto &[type, target] : targets) {
            xml.append("<Relationship Id=\"rId").append(QByteArray::number(++id));
            xml.append("\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
            xml.append(type).append("\" Target=\"").append(target).append("\"/>");
        }
        return xml.append("</Relationships>");
    };
    const auto typeface = [](const QString &font) {
        return font.toHtmlEscaped().toUtf8();
    };

    QByteArray text;
    for (const QString &font : fonts)
        text += "<a:p><a:r><a:rPr><a:latin typeface=\"" + typeface(font) + "\"/></a:rPr><a:t>" +
                texts.value(font, u"x"_s).toHtmlEscaped().toUtf8() + "</a:t></a:r></a:p>";
    QByteArray levels;
    for (int level = 0; level < declaredOnly.size(); ++level) {
        const QByteArray tag = "a:lvl" + QByteArray::number(level + 2) + "pPr";
        levels += '<' + tag + "><a:buFont typeface=\"" + typeface(declaredOnly[level]) + "\"/></" + tag + '>';
    }

    // The presentation's relationships: its master, its slide, then a part for each embedded face.
    QList<std::pair<QByteArray, QByteArray>> presentationTargets = {
        {"slideMaster", "slideMasters/slideMaster1.xml"}, {"slide", "slides/slide1.xml"}};
    QByteArray embeddedList;
    for (const QString &font : embedded) {
        embeddedList += "<p:embeddedFont><p:font typeface=\"" + typeface(font) + "\"/>";
        for (const char *face : {"regular", "bold"}) {
            const QByteArray number = QByteArray::number(presentationTargets.size() + 1);
            embeddedList += QByteArray("<p:") + face + " r:id=\"rId" + number + "\"/>";
            presentationTargets.append({"font", "fonts/font" + number + ".fntdata"});
        }
        embeddedList += "</p:embeddedFont>";
    }

    const QString path = m_folder.filePath(name);
    TestZip zip(path);
    zip.add(u"[Content_Types].xml"_s,
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
    zip.add(u"_rels/.rels"_s, relationships({{"officeDocument", "ppt/presentation.xml"}}));
    zip.add(u"ppt/presentation.xml"_s,
            "<p:presentation" + namespaces +
                "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst>"
                "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst>"
                "<p:embeddedFontLst>" +
                embeddedList + "</p:embeddedFontLst></p:presentation>");
    zip.add(u"ppt/_rels/presentation.xml.rels"_s, relationships(presentationTargets));
    for (const auto &[type, target] : std::as_const(presentationTargets)) {
        if (type == "font")
            zip.add(u"ppt/"_s + QString::fromLatin1(target), "font data");
    }
    zip.add(u"ppt/slideMasters/slideMaster1.xml"_s,
            "<p:sldMaster" + namespaces + "><p:cSld><p:spTree/></p:cSld><p:txStyles><p:bodyStyle>" + levels +
                "</p:bodyStyle></p:txStyles></p:sldMaster>");
    zip.add(u"ppt/slides/slide1.xml"_s, "<p:sld" + namespaces + "><p:cSld><p:spTree><p:sp><p:txBody>" + text +
                                            "</p:txBody></p:sp></p:spTree></p:cSld></p:sld>");
    return zip.close() ? path : QString();
}

bool ViewWorld::waitForScan(WorkflowState &workflow)
{
    return !workflow.isScanning() || QSignalSpy(&workflow, &WorkflowState::isScanningChanged).wait(30'000);
}

bool ViewWorld::dropAndScan(WorkflowState &workflow, const QString &file)
{
    workflow.handleDrop({QUrl::fromLocalFile(file)});
    return waitForScan(workflow);
}

} // namespace kernwick::test
