// The frame both wizard windows share: a header band, a stack of pages of
// which one is shown, and the Cancel, Previous, Next and Finish buttons.
// The step engine decides where each button leads; a form supplies its
// pages, its step lists, its header texts, its page hook and its Finish.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wizard/page_lookup.h"
#include "wizard/step_engine.h"
#include "wizard/wizard_steps.h"

class QLabel;
class QPushButton;

namespace vdimpexp::wizard {

class WizardWindow : public QDialog {
 public:
  ~WizardWindow() override;

  // Loads the form on its first showing, then shows it modally until it
  // hides itself (Finish, Cancel) or is closed. An error raised by a
  // handler meanwhile ends the display and is raised again from here.
  void ShowModal();
  // The program's own unload: asks nothing.
  void Unload();

  QWidget* picWizard(int16_t index) const;

  // Shows the page with `index` and its header as a step would, without
  // running its hook: for rendering each page for review.
  void RevealPage(int16_t index);

 protected:
  WizardWindow(const char* caption, std::span<const Page> pages, NextStyle next_style);

  PageLookup Pages() const;
  StepEngine& Engine() { return *engine_; }

  // The category the user has chosen on the category page.
  virtual int Category() const = 0;
  virtual std::vector<std::string> SetupWizardSteps() const = 0;
  // The form's own load work, after the step lists are set up.
  virtual void LoadForm() {}
  // Sets the header band for the page with `tag`.
  virtual void ShowStepHeader(const char* tag) = 0;
  virtual void CheckActions() = 0;
  virtual void FinishClicked() = 0;
  // Cancel pressed, or closing the window confirmed.
  virtual void CancelRequested() {}
  // The form is going away: stop what runs on its own.
  virtual void Unloading() {}
  // While long work runs (SetBusy(true)), Cancel, Escape and the close
  // button ask whether to stop it, and a Yes arrives here; nothing closes.
  virtual void StopRequested() {}
  // The control a page starts on: its first input unless the form knows
  // better.
  virtual QWidget* PageFocus(int16_t page) const;

  void SetHeader(const std::optional<StepHeader>& header);
  // Shows the engine's button states on the window.
  void ApplyButtonStates();
  // Ends the modal display, leaving the form loaded.
  void HideWizard();
  void SetBusy(bool busy) { busy_ = busy; }
  // Runs a handler of the form; an error it raises ends the display and
  // reaches the caller of ShowModal.
  void Guarded(const std::function<void()>& handler);

 private:
  bool IsLoaded() const { return engine_ != nullptr; }
  void Load();
  void NextClicked();
  void PreviousClicked();
  void CancelClicked();
  // "Are you sure?": Yes to leaving the wizard or stopping its work.
  bool UserConfirmsQuit();
  void ShowCurrentPage();
  void ArrangeTabOrder();

  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  bool event(QEvent* event) override;

  std::span<const Page> pages_;
  NextStyle next_style_;
  std::unique_ptr<StepEngine> engine_;
  std::map<int16_t, QWidget*> page_widgets_;
  QWidget* picHeader_ = nullptr;
  QLabel* lblHeader_ = nullptr;
  QLabel* lblStep_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QPushButton* cmdPrevious_ = nullptr;
  QPushButton* cmdNext_ = nullptr;
  QPushButton* cmdFinish_ = nullptr;
  std::exception_ptr failure_;
  bool unloading_ = false;
  bool busy_ = false;
};

}  // namespace vdimpexp::wizard
