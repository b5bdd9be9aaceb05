// Drives a modal window from inside its own modal loop: the test's steps run
// once the window is shown, as a person's clicks would.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace vdimpexp::testing {

// Schedules `steps` to run on the modal window that the next call shows.
// Should the steps leave it open, it is ended without asking, so a failing
// test cannot hang.
inline void WhenShown(std::function<void(QDialog& window)> steps) {
  QTimer::singleShot(0, [steps = std::move(steps)] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!window) {
      ADD_FAILURE() << "no modal window is shown";
      return;
    }
    steps(*window);
    if (window->isVisible() && window == QApplication::activeModalWidget()) {
      ADD_FAILURE() << "the steps left " << window->objectName().toStdString() << " open";
      window->done(QDialog::Rejected);
    }
  });
}

}  // namespace vdimpexp::testing
