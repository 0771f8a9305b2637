// Where the minimised main dialog draws its icon: shared by its view and its tests.
#pragma once

namespace qar {

struct IconOrigin {
    int x;
    int y;
};

namespace main_dialog_layout {

constexpr IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                         int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace main_dialog_layout

}  // namespace qar
