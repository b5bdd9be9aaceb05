// Pieces the pages of both wizards are made of, so that the two windows look
// and behave alike: the window fonts, section titles with their etched
// separators, option groups, the pick-only lists and the painted pictures.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QStyle>
#include <initializer_list>
#include <span>

class QBoxLayout;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QRadioButton;
class QVBoxLayout;
class QWidget;

namespace vdimpexp::wizard {

// Room between a page's edge and its controls, and between controls.
inline constexpr int kPageMargin = 12;
inline constexpr int kControlSpacing = 6;
// Width of the picture down the left edge of the welcome and last pages.
inline constexpr int kPictureWidth = 164;

// Tahoma 8.25 pt; Linux desktops rarely have Tahoma, so DejaVu Sans stands in.
QFont WindowFont();
// Section titles: the window font, bold.
QFont SectionTitleFont();
// Bold Verdana (DejaVu Sans where Verdana is missing) of `points`.
QFont HeadlineFont(qreal points);

// The object name of element `index` of the control array `name`: "Combo1(6)".
QString ElementName(const char* name, int index);

// Gives a page the window font before its controls are made, so that every
// control measures itself in the font it will be shown in.
void PreparePage(QWidget& page);

// A label shown exactly as written (a caption like "<All>" is no markup). An
// accelerator in `caption` works once the caller gives the label its buddy.
QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption);

// A list the user only picks from. Its width comes from the layout, never
// from the entries loaded later, so a long entry cannot push it off the page.
QComboBox* AddDropDownList(QWidget* parent, const QString& name);

// A list box filling the page inside the usual margins.
QListWidget* AddPageList(QWidget& page, const QString& name);

// The two 1-px lines of an etched separator, the dark one ("Line1(dark)")
// directly above the white one ("Line1(light)"). They go into `layout` when
// one is given; otherwise the caller places them.
struct EtchedSeparator {
  QFrame* dark = nullptr;
  QFrame* light = nullptr;
};
EtchedSeparator AddEtchedSeparator(QWidget* parent, QBoxLayout* layout, int dark_index,
                                   int light_index);

// A bold section title "Label1(title_index)" with its etched separator under
// it, added to `layout`.
QLabel* AddSectionTitle(QWidget* parent, QBoxLayout* layout, int title_index,
                        const QString& caption, int dark_index, int light_index);

// One option button of an option group: its element index and caption.
struct OptionEntry {
  int index;
  const char* caption;
  bool enabled = true;
};

// The option buttons `options`, top to bottom in the order given, named
// "name(index)" and stored in `buttons[index]`. They form one exclusive
// group of their own, with element `chosen` selected.
void AddOptionGroup(QWidget* parent, QBoxLayout* layout, const char* name,
                    std::initializer_list<OptionEntry> options, int chosen,
                    std::span<QRadioButton*> buttons);

// Splits a page into the painted picture down its left edge (object name
// `picture_name`, with `emblem` drawn near its top unless it is null) and a
// column to its right for the page's controls.
struct PicturedColumn {
  QWidget* picture = nullptr;
  QVBoxLayout* column = nullptr;
};
PicturedColumn AddPicturedColumn(QWidget& page, const QString& picture_name,
                                 const QIcon& emblem);

// The last page of either wizard: the picture with its check mark, and the
// column beside it for the page's own controls.
QVBoxLayout* AddFinishedPageColumn(QWidget& page);

// "lblPercent": where the last page tells how far the work has come.
QLabel* AddPercentLabel(QWidget& page);

// The welcome page of either wizard: the picture with the image "Image2" on
// it, the headline "lblWelcome" and the text "Label5(0)".
void BuildWelcomePage(QWidget& page, const QString& headline, const QString& text,
                      QStyle::StandardPixmap emblem);

}  // namespace vdimpexp::wizard
