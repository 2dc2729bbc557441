#include "ui/app_info.h"

namespace trelk::ui {

AppInfo& appInfo() {
    static AppInfo info;
    return info;
}

}  // namespace trelk::ui
