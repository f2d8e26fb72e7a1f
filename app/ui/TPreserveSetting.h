#pragma once
// 'Update Setting Items': the main window's set-up on four tabs, and which of
// it goes into the settings file (all ticked items, one tab, or the factory
// defaults). Also switches the frame reader and the time-inserter type.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/SettingsFile.h"

class TPlatform;
class QTabWidget;

class TPreserveSetting : public QDialog {
  Q_OBJECT
 public:
  explicit TPreserveSetting(TPlatform& platform);

  void FormCreate();
  void Button1Click();   // 'Update.INI file'
  void Button2Click();   // 'Close' (all of them)
  void Button3Click();   // 'Default'
  void Button4Click();   // tab save 'File reading'
  void Button9Click();   // tab save 'Measurement'
  void Button10Click();  // tab save 'Tracking'
  void Button11Click();  // tab save 'Video Time Inserter'
  void CheckBox16Click();
  void CheckBox19Click();
  void CheckBox22Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void RadioButton4Click();
  void RadioButton5Click();
  // The ticks as the saves read them.
  SettingsSaveSelection Ticks() const;

  QTabWidget* PageControl1 = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
  QPushButton *Button4 = nullptr, *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr;
  QPushButton *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr;
  QCheckBox* CheckBox16 = nullptr;  // 'Use AviSynth'
  QRadioButton* RadioButton1 = nullptr;  // 'Direct Show'
  QRadioButton* RadioButton2 = nullptr;  // 'Video for Windows'
  QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr;
  QCheckBox* CheckBox22 = nullptr;  // 'CSV (in, out) = AVI'
  QCheckBox *CheckBox14 = nullptr, *CheckBox15 = nullptr, *CheckBox17 = nullptr;  // remember ticks
  QCheckBox *CheckBox2 = nullptr, *CheckBox3 = nullptr, *CheckBox4 = nullptr, *CheckBox5 = nullptr;
  QCheckBox *CheckBox6 = nullptr, *CheckBox7 = nullptr, *CheckBox8 = nullptr;
  QCheckBox *CheckBox9 = nullptr, *CheckBox10 = nullptr, *CheckBox11 = nullptr, *CheckBox12 = nullptr;
  QCheckBox *CheckBox13 = nullptr, *CheckBox19 = nullptr, *CheckBox20 = nullptr;
  QRadioButton *RadioButton3 = nullptr, *RadioButton4 = nullptr, *RadioButton5 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
  QLabel *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr;
  QLabel *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label20 = nullptr;

 private:
  void SaveTab(SettingsTab tab);
  void KeepSavedRememberTicks();
  void ShowInserterLabels();
  void ShowReader();
  TPlatform& w_;
  bool filling_ = false;
};
