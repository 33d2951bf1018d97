#include "viewworld.h"

#include <QSignalSpy>

#include <testsupport/testzip.h>

using namespace Qt::StringLiterals;

namespace kernwick::test {

ViewWorld::ViewWorld(const QString &helperDir)
    : m_resolver(m_fontSource)
    , m_scanner(MetadataQuery(helperDir + u"/kernwick-fontmeta"_s))
{
    // One worker: a held worker holds every scan queued behind it.
    m_workers.setMaxThreadCount(1);
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

QString ViewWorld::deck(const QString &name, const QStringList &fonts) const
{
    QByteArray slide = "<p:sld xmlns:a=\"a\" xmlns:p=\"p\">";
    for (const QString &font : fonts)
        slide += "<a:latin typeface=\"" + font.toHtmlEscaped().toUtf8() + "\"/>";
    const QString path = m_folder.filePath(name);
    TestZip zip(path);
    zip.add(u"[Content_Types].xml"_s, "<Types/>");
    zip.add(u"ppt/slides/slide1.xml"_s, slide + "</p:sld>");
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
