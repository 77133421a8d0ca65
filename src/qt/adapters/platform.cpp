#include "adapters/platform.h"

namespace zelmar {

QString NativePath(const QString& path, System system) {
    if (system != System::Windows) return path;
    QString native = path;
    native.replace(u'/', u'\\');
    return native;
}

}  // namespace zelmar
