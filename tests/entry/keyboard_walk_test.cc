// Both wizards walked with keys alone, pressed on whatever has the focus, as a clerk
// without a mouse does: each walk ends as the mouse walk of the other tests does.
#include <fstream>

#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

std::string Focused() {
  QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName().toStdString() : "nothing";
}

// Presses each key as the window system hands it on: to the control with the focus,
// accelerators and default buttons included.
void Keys(std::initializer_list<QKeyCombination> keys) {
  for (QKeyCombination key : keys) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no control has the focus";
    QTest::keyClick(focus->window()->windowHandle(), key.key(), key.keyboardModifiers());
  }
}

// The window takes the keys once the window system has made it active.
void Activate(QDialog& window) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

void Type(const char* text) {
  for (const char* c = text; *c; ++c) {
    QTest::keyClick(QApplication::focusWidget()->window()->windowHandle(), *c);
  }
}

// Tabs on to the named control and presses Space on it.
void TabToAndPress(const std::string& name) {
  for (int tabs = 0; Focused() != name; ++tabs) {
    ASSERT_LT(tabs, 20) << "Tab never reaches " << name;
    Keys({Qt::Key_Tab});
  }
  Keys({Qt::Key_Space});
}

// In a list, typing an entry's first letters makes it current.
void Pick(const char* entry) {
  QTest::qWait(QApplication::keyboardInputInterval() + 10);
  Type(entry);
}

using KeyWalkTest = WizardTest;

TEST_F(KeyWalkTest, ExportAndSelectionAreChosenWithKeysAlone) {
  const std::string target = scratch_.File("keys.csv");
  prompts_.ChooseNext(target);
  WhenShown([&](QDialog& window) {
    Activate(window);
    EXPECT_EQ(Focused(), "cmdNext") << "never Cancel";
    Keys({Qt::Key_Return});
    EXPECT_EQ(Focused(), "optImportCategory(0)");
    Keys({Qt::Key_Return, Qt::Key_Return});
    ASSERT_EQ(Focused(), "lstAvailableFlds");
    // Return, Space and Insert move an entry; Delete moves one back.
    for (auto [entry, key] : {std::pair{"ZipCode", Qt::Key_Insert},
                              {"City", Qt::Key_Space},
                              {"FileAs", Qt::Key_Return},
                              {"LastName", Qt::Key_Return}}) {
      Pick(entry);
      Keys({key});
    }
    Keys({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_End, Qt::Key_Delete});
    EXPECT_EQ(Focused(), "lstSelectedFlds");
    EXPECT_THAT(Entries(Control<QListWidget>(window, "lstSelectedFlds")),
                ElementsAre("ZipCode", "City", "FileAs"));
    TabToAndPress("cmdNext");
    ASSERT_EQ(Focused(), "lstExportFormats");
    Pick("Text (C");
    Keys({Qt::Key_Return});
    EXPECT_EQ(ShownPage(window), 9);
    Keys({Qt::Key_Return});
  });
  component_.ExportData(connection_);
  std::string header;
  std::getline(std::ifstream(target) >> std::ws, header);
  EXPECT_EQ(header, "\"ZipCode\",\"City\",\"FileAs\"\r");

  WhenShown([&](QDialog& window) {
    Activate(window);
    Keys({Qt::Key_Return, Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(Focused(), "Combo1(0)");
    Keys({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab});
    Type("013190");
    Keys({Qt::Key_Tab});
    Type("120129");
    Keys({Qt::Key_Return, Qt::Key_Return});
    // The buttons between the field lists are between them for Tab too.
    std::vector<std::string> tabbed;
    for (int i = 0; i < 4; ++i) {
      tabbed.push_back(Focused());
      Keys({Qt::Key_Tab});
    }
    EXPECT_THAT(tabbed, ElementsAre("lstAvailableFlds", "cmdSelectAllFlds", "cmdRemove",
                                    "lstSelectedFlds"));
    Keys({Qt::SHIFT | Qt::Key_Tab, Qt::SHIFT | Qt::Key_Tab, Qt::SHIFT | Qt::Key_Tab,
          Qt::SHIFT | Qt::Key_Tab});
    Pick("LastName");
    Keys({Qt::Key_Return});
    Pick("JobNo");
    Keys({Qt::Key_Return});
    TabToAndPress("cmdNext");
    Keys({Qt::Key_Return});
    EXPECT_FALSE(window.isVisible());
  });
  std::string sql;
  int16_t category = 0;
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(category, 1);
  EXPECT_THAT(sql, HasSubstr("LastVisit BETWEEN #1/31/1990# AND #12/1/2029#"));
  EXPECT_THAT(sql, ::testing::EndsWith("ORDER BY LastName, JobNo"));
}

TEST_F(KeyWalkTest, ImportsAreChosenWithKeysAloneAndTellHowTheyEnded) {
  // Keeps the last page's outcome line once it shows, then presses `key` (none: the
  // line goes by itself).
  std::string outcome;
  auto read_outcome = [&](QDialog& window, std::optional<Qt::Key> key) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, [&, poll, key] {
      const QString last =
          Control<QPlainTextEdit>(window, "tMessage").toPlainText().section('\n', -1);
      if (!last.startsWith("Committed:") && !last.startsWith("Rolled back:")) return;
      poll->stop();
      outcome = last.toStdString();
      if (key) Keys({*key});
    });
    poll->start(20);
  };
  // Return once the entry checker has let the page go on.
  auto forward = [](QDialog& window, const char* button = "cmdNext") {
    ASSERT_TRUE(BecomesEnabled(window, button));
    Keys({Qt::Key_Return});
  };
  prompts_.AnswerNext(MessageAnswer::kYes);
  WhenShown([&](QDialog& window) {
    Activate(window);
    forward(window);
    forward(window);
    EXPECT_EQ(Focused(), "Dir1");
    Keys({Qt::Key_Tab, Qt::Key_Tab});
    for (const char* folder : {VD_XAV_FIXTURES "/main", VD_XAV_FIXTURES "/history"}) {
      Keys({Qt::CTRL | Qt::Key_A});
      Type(folder);
      Keys({Qt::Key_Tab});
    }
    EXPECT_EQ(Control<wizard::DirectoryList>(window, "Dir2").Path(),
              VD_XAV_FIXTURES "/history");
    forward(window);
    ASSERT_EQ(Focused(), "lstchkGeneral");
    Keys({Qt::Key_Home, Qt::Key_Space, Qt::Key_Down, Qt::Key_Space});
    forward(window);
    read_outcome(window, Qt::Key_Space);
    forward(window, "cmdFinish");
  });
  component_.ImportData(connection_);
  EXPECT_THAT(outcome, ::testing::MatchesRegex("Committed: [^,]+, [^,]+\\."));

  const std::string zips = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(zips, 4, 1);
  const std::string before = SqliteDump(database_path_);
  prompts_.AnswerNext(MessageAnswer::kYes);  // keep the existing codes
  prompts_.AnswerNext(MessageAnswer::kNo);   // roll back
  WhenShown([&](QDialog& window) {
    Activate(window);
    forward(window);
    Keys({Qt::Key_Up});
    forward(window);
    ASSERT_EQ(Focused(), "txtFrom");
    Type(zips.c_str());
    read_outcome(window, std::nullopt);
    forward(window, "cmdFinish");
  });
  component_.ImportData(connection_);
  EXPECT_EQ(outcome, "Rolled back: nothing was imported.");
  EXPECT_EQ(SqliteDump(database_path_), before);
}

}  // namespace
}  // namespace vdimpexp::testing
