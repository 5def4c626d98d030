#include "dialogs/parameter_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <algorithm>

#include "dialogs/spin_button.h"
#include "dialogs/track_slider.h"
#include "framework/user_prompts.h"

namespace vantoria {
namespace {

// The parameter dialogs are designed for the song-style face at 10 points.
constexpr int kPointSize = 10;

QFont ParameterDialogFont() {
  QFont font = DialogFont();
  font.setPointSize(kPointSize);
  return font;
}

// What the user is told when a number box holds no number the dialog can read.
const char* const kNotAnInteger = "请输入一个整数。";

}  // namespace

QString ControlName(int id) {
  return QStringLiteral("ctl%1").arg(id);
}

CParameterDlg::CParameterDlg(QWidget* parent, const QString& title, QSize templateSize)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_units(ParameterDialogFont()) {
  setWindowTitle(title);
  setFont(ParameterDialogFont());
  setFixedSize(m_units.Size(templateSize.width(), templateSize.height()));
}

CParameterDlg::~CParameterDlg() = default;

int CParameterDlg::DoModal() {
  return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

QRect CParameterDlg::ToPixels(const QRect& units) const {
  return m_units.Rect(units.x(), units.y(), units.width(), units.height());
}

void CParameterDlg::Place(QWidget* control, int id, const QRect& rect) {
  if (id != 0) {
    control->setObjectName(ControlName(id));
  }
  control->setGeometry(ToPixels(rect));
}

QPushButton* CParameterDlg::AddButton(int id, const QString& text, const QRect& rect,
                                      bool isDefault) {
  auto* button = new QPushButton(text, this);
  Place(button, id, rect);
  button->setDefault(isDefault);
  if (!m_pFirstButton) {
    m_pFirstButton = button;
  }
  if (id == IDOK) {
    connect(button, &QPushButton::clicked, this, &CParameterDlg::accept);
  } else if (id == IDCANCEL) {
    connect(button, &QPushButton::clicked, this, &CParameterDlg::reject);
  }
  return button;
}

QLabel* CParameterDlg::AddLabel(const QString& text, const QRect& rect) {
  auto* label = new QLabel(text, this);
  label->setTextFormat(Qt::PlainText);
  Place(label, 0, rect);
  return label;
}

QLineEdit* CParameterDlg::AddNumberBox(int id, const QRect& rect, bool readOnly) {
  auto* box = new QLineEdit(this);
  Place(box, id, rect);
  box->setReadOnly(readOnly);
  // Digits only; a box the user may type into can still be left empty.
  box->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
  return box;
}

QCheckBox* CParameterDlg::AddCheckBox(int id, const QString& text, const QRect& rect) {
  auto* box = new QCheckBox(text, this);
  Place(box, id, rect);
  return box;
}

QRadioButton* CParameterDlg::AddRadioButton(int id, const QString& text, const QRect& rect) {
  auto* button = new QRadioButton(text, this);
  Place(button, id, rect);
  return button;
}

void CParameterDlg::MakeRadioGroup(std::initializer_list<QRadioButton*> group) {
  std::vector<QRadioButton*>& buttons = m_radioGroups.emplace_back(group);
  for (QRadioButton* button : buttons) {
    // Qt's exclusive buttons share one tab stop; these keep one each and stay exclusive here.
    button->setAutoExclusive(false);
    button->installEventFilter(this);
    connect(button, &QRadioButton::clicked, this,
            [buttons, button] { CheckOnly(buttons, button); });
  }
}

void CParameterDlg::CheckOnly(const std::vector<QRadioButton*>& group,
                              const QRadioButton* checked) {
  for (QRadioButton* button : group) {
    button->setChecked(button == checked);
  }
}

bool CParameterDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
    const bool backward = key == Qt::Key_Left || key == Qt::Key_Up;
    for (const std::vector<QRadioButton*>& group : m_radioGroups) {
      const auto found = std::find(group.begin(), group.end(), watched);
      if (found == group.end() || !(forward || backward)) {
        continue;
      }
      // Round the group, like the arrow keys among radio buttons do.
      const auto count = static_cast<std::ptrdiff_t>(group.size());
      const std::ptrdiff_t index = (found - group.begin() + (forward ? 1 : count - 1)) % count;
      QRadioButton* next = group[static_cast<std::size_t>(index)];
      next->setFocus(Qt::TabFocusReason);
      next->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

TrackSlider* CParameterDlg::AddSlider(int id, const QRect& rect) {
  auto* slider = new TrackSlider(this);
  Place(slider, id, rect);
  slider->setTickPosition(QSlider::TicksAbove);
  return slider;
}

QComboBox* CParameterDlg::AddDropList(int id, const QRect& rect, const QStringList& items) {
  auto* list = new QComboBox(this);
  list->addItems(items);
  list->setCurrentIndex(-1);
  // The rectangle's height is that of the dropped list; the closed box is as tall as the font
  // makes it.
  const QRect pixels = ToPixels(rect);
  Place(list, id, rect);
  list->setGeometry(pixels.x(), pixels.y(), pixels.width(), list->sizeHint().height());
  return list;
}

SpinButton* CParameterDlg::AddSpinButton(int id, const QRect& rect) {
  auto* spin = new SpinButton(this);
  Place(spin, id, rect);
  return spin;
}

void CParameterDlg::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    m_bInitialised = true;
    OnInitDialog();
    // Whatever OnInitDialog answers, a keyboard user starts on the first button.
    if (m_pFirstButton) {
      m_pFirstButton->setFocus(Qt::TabFocusReason);
    }
  }
  QDialog::showEvent(event);
}

bool CParameterDlg::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CParameterDlg::OnOK() {
  if (UpdateData(true)) {
    QDialog::accept();
  }
}

void CParameterDlg::OnCancel() {
  QDialog::reject();
}

void CParameterDlg::accept() {
  OnOK();
}

void CParameterDlg::reject() {
  OnCancel();
}

bool CParameterDlg::UpdateData(bool save) {
  const bool wasExchanging = m_bExchanging;
  m_bExchanging = true;
  const bool ok = DoDataExchange(save);
  m_bExchanging = wasExchanging;
  return ok;
}

bool CParameterDlg::ExchangeText(bool save, QLineEdit* box, int& value) {
  if (!save) {
    box->setText(QString::number(value));
    return true;
  }
  bool ok = false;
  const int read = box->text().trimmed().toInt(&ok);
  if (!ok) {
    prompts::ShowWarning(this, QString::fromUtf8(kNotAnInteger));
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    return false;
  }
  value = read;
  return true;
}

void CParameterDlg::ExchangeCheck(bool save, QCheckBox* box, bool& value) {
  if (save) {
    value = box->isChecked();
  } else {
    box->setChecked(value);
  }
}

void CParameterDlg::ExchangeRadio(bool save, std::initializer_list<QRadioButton*> group,
                                  int& value) {
  int index = 0;
  if (save) {
    value = -1;
    for (QRadioButton* button : group) {
      if (button->isChecked()) {
        value = index;
      }
      ++index;
    }
    return;
  }
  for (QRadioButton* button : group) {
    // An exclusive button refuses to be cleared directly; -1 clears the whole group.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(index == value);
    button->setAutoExclusive(exclusive);
    ++index;
  }
}

}  // namespace vantoria
