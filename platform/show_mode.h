// The window state passed with every start request.
#pragma once

namespace discsetup {

constexpr int kSwHide = 0;
constexpr int kSwShowNormal = 1;
constexpr int kSwShowMaximized = 3;
constexpr int kSwShowMinNoActive = 7;

}  // namespace discsetup
