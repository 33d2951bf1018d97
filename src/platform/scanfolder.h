#pragma once

#include <QString>

namespace kernwick {

// A private working folder for one extraction, directly in the user's temporary directory: its name is
// `prefix` followed by a fresh upper-case UUID, only the user may enter it, and it is removed with all it
// holds when the object goes.
class ScanFolder final
{
public:
    explicit ScanFolder(const QString &prefix);
    ~ScanFolder();
    Q_DISABLE_COPY_MOVE(ScanFolder)

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

private:
    QString m_path;
};

} // namespace kernwick
