#pragma once
// The system the program runs on, as a value: whatever differs between Windows and the others is
// written as a function of it, so that both ways run under test on either system.
#include <QString>
#include <QtGlobal>

namespace zelmar {

enum class System { Windows, Posix };

#ifdef Q_OS_WIN
inline constexpr System kThisSystem = System::Windows;
#else
inline constexpr System kThisSystem = System::Posix;
#endif

// `path` as `system` spells it for a technician: backslashes on Windows. A backslash is an
// ordinary character of a name elsewhere and stays.
QString NativePath(const QString& path, System system = kThisSystem);

}  // namespace zelmar
