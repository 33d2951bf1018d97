#include "fontstatus.h"

using namespace Qt::StringLiterals;

namespace kernwick {

QString rawValue(FontStatus status)
{
    switch (status) {
    case FontStatus::system:
        return u"System"_s;
    case FontStatus::installed:
        return u"Installed"_s;
    case FontStatus::missing:
        return u"Missing"_s;
    case FontStatus::unresolved:
        return u"Unresolved"_s;
    case FontStatus::adobe:
        return u"Adobe"_s;
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<FontStatus> fontStatusFromRawValue(QStringView text)
{
    for (const FontStatus status : allFontStatuses) {
        if (text == rawValue(status))
            return status;
    }
    return std::nullopt;
}

size_t qHash(FontStatus status, size_t seed) noexcept
{
    return ::qHash(rawValue(status), seed);
}

int statusSortKey(FontStatus status)
{
    constexpr FontStatus order[] = {FontStatus::installed, FontStatus::missing, FontStatus::unresolved,
                                    FontStatus::system};
    for (int key = 0; key < int(std::size(order)); ++key) {
        if (order[key] == status)
            return key;
    }
    return 99;
}

} // namespace kernwick
