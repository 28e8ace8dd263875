#pragma once
// How a modal form of ours is shown: exec() in the program; tests give a runner of their own that
// drives the form without a modal loop and answers its result.
#include <QDialog>
#include <functional>

namespace vt {

using TDialogRunner = std::function<int(QDialog&)>;

inline int RunModal(const TDialogRunner& runner, QDialog& dialog) { return runner ? runner(dialog) : dialog.exec(); }

}  // namespace vt
