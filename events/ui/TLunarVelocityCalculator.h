#pragma once
// "Object's Velocity Calculator": the Moon's limb velocity, an asteroid's
// shadow velocity and distance, and a lunar event's shadow velocity; the
// write buttons hand the result to the open diffraction panel's edits.
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>

class TFresnelCtrl;

class TLunarVelocityCalculator : public QWidget {
  Q_OBJECT
 public:
  // The diffraction panel open on the chart, or null.
  using PanelLookup = std::function<TFresnelCtrl*()>;

  // Opens the one calculator beside `owner` unless it is open already;
  // returns the open window.
  static TLunarVelocityCalculator* Open(QWidget* owner, PanelLookup panel);
  static bool IsOpen();  // LunarVelocityCalculatorOpen
  ~TLunarVelocityCalculator() override;

  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  TLunarVelocityCalculator(QWidget* owner, PanelLookup panel);
  void BuildControls();
  void FormCreate();

  void CalcLunarLimbVelocity();
  void CalcAsteroidVelocity();
  void CalcAsteroidDistance();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  // The panel's velocity, distance or contact-angle edit, when the panel is open.
  enum class PanelEdit { Distance, Velocity, ContactAngle };
  void WriteToPanel(PanelEdit edit, const QString& text);

  PanelLookup panel_;
};
