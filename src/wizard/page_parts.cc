#include "wizard/page_parts.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <utility>

namespace vdimpexp::wizard {
namespace {

// The emblem tile on the pictures, and where it sits on a picture.
constexpr int kEmblemSize = 64;
constexpr int kEmblemTop = 28;
constexpr int kEmblemShadow = 3;
// Drop-down lists are sized for this many characters and stretched by the
// layout; their entries never widen them.
constexpr int kListContentsLength = 20;

QRect EmblemTile(int picture_width) {
  return {(picture_width - kEmblemSize) / 2, kEmblemTop, kEmblemSize, kEmblemSize};
}

// A light tile with a soft shadow carrying a standard icon: the one motif of
// our pictures, so that both wizards need no bitmaps.
void PaintEmblem(QPainter& painter, const QRect& tile, const QIcon& icon) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 70));
  painter.drawRoundedRect(tile.translated(kEmblemShadow, kEmblemShadow), 10, 10);
  painter.setBrush(QColor(250, 251, 253));
  painter.drawRoundedRect(tile, 10, 10);
  const int inset = tile.width() / 6;
  icon.paint(&painter, tile.adjusted(inset, inset, -inset, -inset));
  painter.restore();
}

// Painted rather than a stored bitmap, so it fills whatever height the page
// gives it.
class PicturePanel : public QWidget {
 public:
  PicturePanel(QWidget* parent, QIcon emblem)
      : QWidget(parent), emblem_(std::move(emblem)) {
    setFixedWidth(kPictureWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, width() / 2.0, height());
    shade.setColorAt(0.0, QColor(22, 48, 92));
    shade.setColorAt(1.0, QColor(46, 128, 150));
    painter.fillRect(rect(), shade);
    // Rings about the lower right corner give the flat shade some depth.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int radius = height() / 4; radius < 2 * height(); radius += 26) {
      painter.drawEllipse(QPoint(width(), height()), radius, radius);
    }
    if (!emblem_.isNull()) PaintEmblem(painter, EmblemTile(width()), emblem_);
  }

 private:
  QIcon emblem_;
};

QFrame* AddLine(QWidget* parent, int index, QPalette::ColorRole colour) {
  auto* line = new QFrame(parent);
  line->setObjectName(ElementName("Line1", index));
  line->setFrameShape(QFrame::NoFrame);
  line->setFixedHeight(1);
  line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  line->setBackgroundRole(colour);
  line->setAutoFillBackground(true);
  return line;
}

}  // namespace

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
  font.setPointSizeF(8.25);
  return font;
}

QFont SectionTitleFont() {
  QFont font = WindowFont();
  font.setBold(true);
  return font;
}

QFont HeadlineFont(qreal points) {
  QFont font;
  font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

QString ElementName(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

void PreparePage(QWidget& page) { page.setFont(WindowFont()); }

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setText(caption);
  return label;
}

QComboBox* AddDropDownList(QWidget* parent, const QString& name) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setEditable(false);
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(kListContentsLength);
  return list;
}

QListWidget* AddPageList(QWidget& page, const QString& name) {
  PreparePage(page);
  auto* layout = new QVBoxLayout(&page);
  layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
  auto* list = new QListWidget(&page);
  list->setObjectName(name);
  layout->addWidget(list);
  return list;
}

EtchedSeparator AddEtchedSeparator(QWidget* parent, QBoxLayout* layout, int dark_index,
                                   int light_index) {
  EtchedSeparator separator{AddLine(parent, dark_index, QPalette::Dark),
                            AddLine(parent, light_index, QPalette::Light)};
  if (layout) {
    // A nested column: the enclosing layout's spacing must not part the lines.
    auto* pair = new QVBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(separator.dark);
    pair->addWidget(separator.light);
    layout->addLayout(pair);
  }
  return separator;
}

QLabel* AddSectionTitle(QWidget* parent, QBoxLayout* layout, int title_index,
                        const QString& caption, int dark_index, int light_index) {
  QLabel* title = AddLabel(parent, ElementName("Label1", title_index), caption);
  title->setFont(SectionTitleFont());
  auto* section = new QVBoxLayout;
  section->setSpacing(0);
  section->addWidget(title);
  section->addSpacing(3);
  layout->addLayout(section);
  AddEtchedSeparator(parent, section, dark_index, light_index);
  layout->addSpacing(kControlSpacing);
  return title;
}

void AddOptionGroup(QWidget* parent, QBoxLayout* layout, const char* name,
                    std::initializer_list<OptionEntry> options, int chosen,
                    std::span<QRadioButton*> buttons) {
  // An explicit group: buttons sharing a parent with other buttons must not
  // take part in those buttons' exclusivity.
  auto* group = new QButtonGroup(parent);
  group->setExclusive(true);
  for (const OptionEntry& option : options) {
    auto* button = new QRadioButton(QString::fromUtf8(option.caption), parent);
    button->setObjectName(ElementName(name, option.index));
    button->setEnabled(option.enabled);
    group->addButton(button, option.index);
    layout->addWidget(button);
    buttons[option.index] = button;
  }
  buttons[chosen]->setChecked(true);
}

PicturedColumn AddPicturedColumn(QWidget& page, const QString& picture_name,
                                 const QIcon& emblem) {
  auto* row = new QHBoxLayout(&page);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* picture = new PicturePanel(&page, emblem);
  picture->setObjectName(picture_name);
  row->addWidget(picture);
  auto* column = new QVBoxLayout;
  column->setContentsMargins(16, 24, kPageMargin, kPageMargin);
  column->setSpacing(10);
  row->addLayout(column, 1);
  return {picture, column};
}

QVBoxLayout* AddFinishedPageColumn(QWidget& page) {
  PreparePage(page);
  return AddPicturedColumn(page, "picFinished",
                           page.style()->standardIcon(QStyle::SP_DialogApplyButton))
      .column;
}

QLabel* AddPercentLabel(QWidget& page) {
  QLabel* label = AddLabel(&page, "lblPercent", "");
  label->setFont(HeadlineFont(8.25));
  return label;
}

void BuildWelcomePage(QWidget& page, const QString& headline, const QString& text,
                      QStyle::StandardPixmap emblem) {
  PreparePage(page);
  auto [picture, column] = AddPicturedColumn(page, QStringLiteral("picWelcome"), QIcon());

  // The image is a control of its own on the picture, as the last page's
  // emblem is not: the welcome text is laid beside it.
  QPixmap tile(kEmblemSize + kEmblemShadow, kEmblemSize + kEmblemShadow);
  tile.fill(Qt::transparent);
  {
    QPainter painter(&tile);
    PaintEmblem(painter, QRect(0, 0, kEmblemSize, kEmblemSize),
                page.style()->standardIcon(emblem));
  }
  auto* image = new QLabel(picture);
  image->setObjectName(QStringLiteral("Image2"));
  image->setPixmap(tile);
  image->setGeometry(QRect(EmblemTile(kPictureWidth).topLeft(), tile.size()));

  QLabel* welcome = AddLabel(&page, QStringLiteral("lblWelcome"), headline);
  welcome->setFont(HeadlineFont(11.25));
  welcome->setWordWrap(true);
  column->addWidget(welcome);
  QLabel* body = AddLabel(&page, QStringLiteral("Label5(0)"), text);
  body->setWordWrap(true);
  body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(body);
  column->addStretch(1);
}

}  // namespace vdimpexp::wizard
