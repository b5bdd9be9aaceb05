#include "wizard/wizard_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "support/prompts.h"
#include "support/window_routines.h"
#include "wizard/keyboard_order.h"
#include "wizard/page_parts.h"

namespace vdimpexp::wizard {
namespace {

// The window's measures, laid out at 15 twips to the pixel.
constexpr int kClientWidth = 476;    // 7140 twips
constexpr int kClientHeight = 435;   // 6525 twips
constexpr int kHeaderHeight = 65;    // 975 twips
constexpr int kPageWidth = 473;      // 7095 twips
constexpr int kPageHeight = 329;     // 4935 twips
constexpr int kWelcomeHeight = 393;  // 5895 twips
constexpr int kButtonWidth = 81;     // 1215 twips
constexpr int kButtonHeight = 25;    // 375 twips
constexpr int kButtonTop = kClientHeight - kButtonHeight - 6;
constexpr int kSeparatorTop = kButtonTop - 8;
constexpr int16_t kWelcomePage = 0;

QPushButton* FrameButton(QWidget* parent, const char* name, const char* caption,
                         int left) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

WizardWindow::WizardWindow(const char* caption, std::span<const Page> pages,
                           NextStyle next_style)
    : pages_(pages), next_style_(next_style) {
  setWindowTitle(QString::fromUtf8(caption));
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  for (const Page& page : pages_) {
    auto* widget = new QWidget(this);
    widget->setObjectName(QString("picWizard(%1)").arg(page.index));
    widget->setGeometry(page.index == kWelcomePage
                            ? QRect(0, 0, kPageWidth, kWelcomeHeight)
                            : QRect(0, kHeaderHeight, kPageWidth, kPageHeight));
    widget->hide();
    page_widgets_[page.index] = widget;
  }

  picHeader_ = new QWidget(this);
  picHeader_->setObjectName("picHeader");
  picHeader_->setGeometry(0, 0, kPageWidth, kHeaderHeight);
  picHeader_->setAutoFillBackground(true);
  picHeader_->setBackgroundRole(QPalette::Base);
  lblHeader_ = new QLabel(picHeader_);
  lblHeader_->setObjectName("lblHeader");
  lblHeader_->setGeometry(12, 8, kPageWidth - 80, 16);
  lblHeader_->setFont(SectionTitleFont());
  lblStep_ = new QLabel(picHeader_);
  lblStep_->setObjectName("lblStep");
  lblStep_->setGeometry(28, 26, kPageWidth - 96, 34);
  lblStep_->setWordWrap(true);
  lblStep_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* icon = new QLabel(picHeader_);
  icon->setObjectName("Image1(1)");
  icon->setGeometry(kPageWidth - 56, 8, 48, 48);
  icon->setPixmap(
      style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(48, 48));

  EtchedSeparator separator = AddEtchedSeparator(this, nullptr, 7, 6);
  separator.dark->setGeometry(0, kSeparatorTop, kClientWidth, 1);
  separator.light->setGeometry(0, kSeparatorTop + 1, kClientWidth, 1);
  cmdCancel_ = FrameButton(this, "cmdCancel", "&Cancel", 8);
  cmdPrevious_ = FrameButton(this, "cmdPrevious", "< &Previous", 210);
  cmdNext_ = FrameButton(this, "cmdNext", "&Next >", 291);
  cmdFinish_ = FrameButton(this, "cmdFinish", "&Finish", 387);

  connect(cmdNext_, &QPushButton::clicked, this,
          [this] { Guarded([this] { NextClicked(); }); });
  connect(cmdPrevious_, &QPushButton::clicked, this,
          [this] { Guarded([this] { PreviousClicked(); }); });
  connect(cmdFinish_, &QPushButton::clicked, this,
          [this] { Guarded([this] { FinishClicked(); }); });
  connect(cmdCancel_, &QPushButton::clicked, this,
          [this] { Guarded([this] { CancelClicked(); }); });
}

WizardWindow::~WizardWindow() = default;

PageLookup WizardWindow::Pages() const {
  return [this](int16_t index) { return picWizard(index); };
}

QWidget* WizardWindow::picWizard(int16_t index) const {
  auto page = page_widgets_.find(index);
  return page == page_widgets_.end() ? nullptr : page->second;
}

void WizardWindow::ShowModal() {
  if (!IsLoaded()) Load();
  exec();
  if (failure_) {
    std::exception_ptr failure = std::exchange(failure_, nullptr);
    std::rethrow_exception(failure);
  }
}

void WizardWindow::Load() {
  support::CenterForm(*this);
  engine_ = std::make_unique<StepEngine>(pages_, SetupWizardSteps(), next_style_);
  LoadForm();
  ArrangeTabOrder();
  ApplyButtonStates();
  ShowCurrentPage();
}

// Each page's inputs in reading order, then the button row left to right;
// Tab skips the pages not shown.
void WizardWindow::ArrangeTabOrder() {
  QWidget* previous = nullptr;
  auto chain = [&](QWidget* next) {
    if (previous) setTabOrder(previous, next);
    previous = next;
  };
  for (const auto& [index, page] : page_widgets_) {
    NameAfterCaptions(*page);
    for (QWidget* input : InputsInReadingOrder(*page)) chain(input);
  }
  for (QPushButton* button : {cmdCancel_, cmdPrevious_, cmdNext_, cmdFinish_}) {
    button->setAccessibleName(WithoutAccelerators(button->text()));
    chain(button);
  }
}

QWidget* WizardWindow::PageFocus(int16_t page) const {
  QWidget* widget = picWizard(page);
  return widget ? FirstInput(*widget) : nullptr;
}

void WizardWindow::Unload() {
  unloading_ = true;
  Unloading();
  close();
}

void WizardWindow::RevealPage(int16_t index) {
  if (!IsLoaded()) Load();
  for (const auto& [page_index, page] : page_widgets_)
    page->setVisible(page_index == index);
  picHeader_->setVisible(index != kWelcomePage);
  for (const Page& page : pages_) {
    if (page.index == index) ShowStepHeader(page.tag);
  }
}

void WizardWindow::NextClicked() {
  Engine().Next(Category());
  ApplyButtonStates();
  if (next_style_ == NextStyle::kRunHookFirst) {
    // The hook runs while the page being left is still shown, so a long
    // action (the export on the last page) ends before the page changes.
    ShowStepHeader(Engine().CurrentTag());
    CheckActions();
    ShowCurrentPage();
  } else {
    ShowCurrentPage();
    ShowStepHeader(Engine().CurrentTag());
    CheckActions();
  }
}

void WizardWindow::PreviousClicked() {
  Engine().Previous(Category());
  ShowCurrentPage();
  ApplyButtonStates();
  ShowStepHeader(Engine().CurrentTag());
}

void WizardWindow::CancelClicked() {
  if (busy_) {
    if (UserConfirmsQuit()) StopRequested();
    return;
  }
  CancelRequested();
  HideWizard();
}

bool WizardWindow::UserConfirmsQuit() {
  support::MessageQuestion question;
  question.text = "Are you sure?";
  question.title = "Quit?";
  question.buttons = support::MessageButtons::kYesNo;
  question.icon = support::MessageIcon::kInformation;
  question.default_answer = support::MessageAnswer::kNo;
  return support::ActivePrompts().Ask(question) == support::MessageAnswer::kYes;
}

void WizardWindow::ShowCurrentPage() {
  int16_t current = Engine().CurrentPage();
  for (const auto& [index, page] : page_widgets_) page->setVisible(index == current);
  if (QWidget* page = picWizard(current)) page->raise();
  picHeader_->setVisible(Engine().HeaderVisible());
  // A page without inputs starts on the button that goes on, never on
  // Cancel, so that Space or Return cannot end the wizard by surprise.
  QWidget* focus = PageFocus(current);
  if (!focus) focus = cmdNext_->isEnabled() ? cmdNext_ : cmdFinish_;
  focus->setFocus();
}

void WizardWindow::SetHeader(const std::optional<StepHeader>& header) {
  if (!header) return;
  lblHeader_->setText(QString::fromStdString(header->title));
  lblStep_->setText(QString::fromStdString(header->description));
}

void WizardWindow::ApplyButtonStates() {
  const ButtonStates& buttons = Engine().Buttons();
  cmdPrevious_->setEnabled(buttons.previous);
  cmdNext_->setEnabled(buttons.next);
  cmdFinish_->setEnabled(buttons.finish);
  // Return goes on: to the next page while there is one, else to Finish.
  cmdNext_->setDefault(buttons.next);
  cmdFinish_->setDefault(!buttons.next && buttons.finish);
}

void WizardWindow::HideWizard() { done(QDialog::Accepted); }

void WizardWindow::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    // An error must not unwind through the window system's event loop: it
    // ends the modal display and ShowModal raises it to the caller.
    if (!failure_) failure_ = std::current_exception();
    done(QDialog::Rejected);
  }
}

void WizardWindow::closeEvent(QCloseEvent* event) {
  if (unloading_ || failure_) {
    event->accept();
    return;
  }
  if (busy_) {
    // The work stops first; its end closes the window.
    event->ignore();
    Guarded([&] {
      if (UserConfirmsQuit()) StopRequested();
    });
    return;
  }
  bool confirmed = false;
  Guarded([&] {
    confirmed = UserConfirmsQuit();
    if (confirmed) {
      CancelRequested();
      unloading_ = true;
      Unloading();
    }
  });
  if (confirmed || failure_) {
    event->accept();
    done(QDialog::Rejected);
  } else {
    event->ignore();
  }
}

// Escape asks like the close button rather than closing silently.
void WizardWindow::reject() { close(); }

bool WizardWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
    Guarded([] { support::RestoreMousePointer(); });
  }
  return QDialog::event(event);
}

}  // namespace vdimpexp::wizard
