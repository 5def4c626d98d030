#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <vector>

#include "framework/dialog_units.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantoria {

class TrackSlider;
class SpinButton;

// Control ids of the buttons every dialog has.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The object name a control gets from its id, so that tests and tools find it: "ctl1001".
QString ControlName(int id);

// A fixed-size modal dialog laid out from a template in dialog units, with the life cycle of
// the program's parameter dialogs: OnInitDialog when it first shows, data exchange between
// the members and the controls, OnOK for the OK button and Enter, OnCancel for Cancel, Esc and
// the close box. Controls are created in template order, which is also the tab order.
class CParameterDlg : public QDialog {
  Q_OBJECT

 public:
  ~CParameterDlg() override;

  // Runs the dialog modally; IDOK or IDCANCEL.
  int DoModal();

  // Every way of closing goes through OnOK and OnCancel.
  void accept() override;
  void reject() override;

 protected:
  CParameterDlg(QWidget* parent, const QString& title, QSize templateSize);

  // --- the template, in dialog units ---
  QPushButton* AddButton(int id, const QString& text, const QRect& rect, bool isDefault);
  QLabel* AddLabel(const QString& text, const QRect& rect);
  // A bordered edit box for a decimal number; read-only boxes only show a value.
  QLineEdit* AddNumberBox(int id, const QRect& rect, bool readOnly);
  QCheckBox* AddCheckBox(int id, const QString& text, const QRect& rect);
  QRadioButton* AddRadioButton(int id, const QString& text, const QRect& rect);
  // Makes radio buttons one group in which each button is a tab stop of its own: a click, or
  // an arrow key moving to a button, checks that button and clears the others.
  void MakeRadioGroup(std::initializer_list<QRadioButton*> group);
  // Horizontal, tick marks along the top edge.
  TrackSlider* AddSlider(int id, const QRect& rect);
  // A drop-down list without edit field, filled with `items` unsorted, nothing selected.
  QComboBox* AddDropList(int id, const QRect& rect, const QStringList& items);
  SpinButton* AddSpinButton(int id, const QRect& rect);
  QRect ToPixels(const QRect& units) const;

  // --- life cycle ---
  // Sets the state the user sees. Whatever it answers, the focus then starts on the first
  // button, OK.
  virtual bool OnInitDialog();
  // Copies members to controls (save false) or controls to members (save true). False when a
  // control could not be read; the user has then been told and the focus is on it.
  virtual bool DoDataExchange(bool save) = 0;
  virtual void OnOK();      // reads the controls, then closes with IDOK
  virtual void OnCancel();  // closes with IDCANCEL
  bool UpdateData(bool save);
  // True while UpdateData writes the controls: their change notifications are not the user's.
  bool IsExchanging() const { return m_bExchanging; }

  // --- exchange helpers ---
  bool ExchangeText(bool save, QLineEdit* box, int& value);
  void ExchangeCheck(bool save, QCheckBox* box, bool& value);
  void ExchangeRadio(bool save, std::initializer_list<QRadioButton*> group, int& value);

  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place(QWidget* control, int id, const QRect& rect);
  static void CheckOnly(const std::vector<QRadioButton*>& group, const QRadioButton* checked);

  DialogUnits m_units;
  std::vector<std::vector<QRadioButton*>> m_radioGroups;
  QPushButton* m_pFirstButton = nullptr;
  bool m_bInitialised = false;
  bool m_bExchanging = false;
};

}  // namespace vantoria
