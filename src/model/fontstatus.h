#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace kernwick {

// The verdict on one font of a presentation. The declaration order is fixed but used for nothing:
// sorting goes by statusSortKey().
enum class FontStatus
{
    system,     // lies in a folder of the operating system's own fonts; need not travel
    installed,  // found outside the system and Adobe folders; can be copied into the package
    missing,    // no file, and no installed font resembles the name
    unresolved, // no file, but some installed font's name resembles it: a person has to check
    adobe,      // synced by Adobe's font service: licensed to this machine, never copied
};

inline constexpr FontStatus allFontStatuses[] = {FontStatus::system, FontStatus::installed,
                                                 FontStatus::missing, FontStatus::unresolved,
                                                 FontStatus::adobe};

// The status's word, as the font report writes it: "System", "Installed", "Missing", "Unresolved", "Adobe".
QString rawValue(FontStatus status);

// The status whose raw value is exactly `text` (case-sensitive), or nothing.
std::optional<FontStatus> fontStatusFromRawValue(QStringView text);

// A status hashes as its raw value does.
size_t qHash(FontStatus status, size_t seed = 0) noexcept;

// Position in the table's status order: installed, missing, unresolved, system; anything else last.
int statusSortKey(FontStatus status);

} // namespace kernwick
