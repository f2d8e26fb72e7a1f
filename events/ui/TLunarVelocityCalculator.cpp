#include "events/ui/TLunarVelocityCalculator.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "base/ui/ControlEvents.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "events/VelocityCalculator.h"
#include "events/ui/TFresnelCtrl.h"

namespace {

QPointer<TLunarVelocityCalculator>& FormVariable() {
  static QPointer<TLunarVelocityCalculator> form;
  return form;
}
bool open_flag = false;
// Shown in place of a result that has no value.
constexpr const char* kNoResult = "---";

}  // namespace

TLunarVelocityCalculator* TLunarVelocityCalculator::Open(QWidget* owner, PanelLookup panel) {
  if (open_flag && FormVariable()) return FormVariable();
  auto* w = new TLunarVelocityCalculator(owner, std::move(panel));
  FormVariable() = w;
  w->show();
  return w;
}

bool TLunarVelocityCalculator::IsOpen() { return open_flag; }

TLunarVelocityCalculator::TLunarVelocityCalculator(QWidget* owner, PanelLookup panel)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), panel_(std::move(panel)) {
  SetUpToolWindow(this, "LunarVelocityCalculator", "Object's Velocity Calculator");
  BuildControls();
  FormCreate();
}

void TLunarVelocityCalculator::BuildControls() {
  auto* v = new QVBoxLayout(this);
  const auto group = [&](const char* name, const QString& caption) {
    auto* g = Named<QGroupBox>(name, caption);
    v->addWidget(g);
    return new QGridLayout(g);
  };
  const auto edit = [](QGridLayout* g, const char* name, const QString& label, const QString& unit, int row,
                       const QString& text, bool read_only = false) {
    auto* e = Named<QLineEdit>(name, text);
    e->setReadOnly(read_only);
    g->addWidget(new QLabel(label), row, 0);
    g->addWidget(e, row, 1);
    g->addWidget(new QLabel(unit), row, 2);
    return e;
  };
  const auto button = [](QGridLayout* g, const char* name, const QString& caption, int row) {
    auto* b = Named<QPushButton>(name, caption);
    g->addWidget(b, row, 0, 1, 3);
    return b;
  };

  QGridLayout* g1 = group("GroupBox1", "Lunar limb velocity");
  Edit1 = edit(g1, "Edit1", "Horizontal scale factor", "deg/min", 0, "1.40");
  Edit2 = edit(g1, "Edit2", "Lunar velocity", "m/sec", 1, "", true);
  Button1 = button(g1, "Button1", "Calculation", 2);
  Button2 = button(g1, "Button2", "Write to diffraction simulation parameter.", 3);

  QGridLayout* g4 = group("GroupBox4", "Shadow velocity of a lunar event");
  Edit8 = edit(g4, "Edit8", "Relative motion", "arcsec/sec", 0, "0.350");
  Edit9 = edit(g4, "Edit9", "Lunar distance", "km", 1, "384401");
  Edit11 = edit(g4, "Edit11", "Contact angle", "deg", 2, "0");
  Edit10 = edit(g4, "Edit10", "Shadow velocity", "m/sec", 3, "700", true);
  Button7 = button(g4, "Button7", "Write to diffraction simulation parameter.", 4);

  QGridLayout* g2 = group("GroupBox2", "Asteroid velocity");
  Edit3 = edit(g2, "Edit3", "Diameter", "km", 0, "120");
  Edit4 = edit(g2, "Edit4", "Maximum duration", "sec", 1, "5.0");
  Edit5 = edit(g2, "Edit5", "Asteroid velocity", "m/sec", 2, "");
  Button3 = button(g2, "Button3", "Calculation", 3);
  Button4 = button(g2, "Button4", "Write to diffraction simulation parameter", 4);

  QGridLayout* g3 = group("GroupBox3", "Asteroid distance");
  Edit6 = edit(g3, "Edit6", "Horizontal parallax", "arcsec", 0, "4.00");
  Edit7 = edit(g3, "Edit7", "Distance", "km", 1, "");
  Button5 = button(g3, "Button5", "Calculation", 2);
  Button6 = button(g3, "Button6", "Write to diffraction simulation parameter", 3);

  const Handlers<TLunarVelocityCalculator> button_handlers = {
      {Button1, &TLunarVelocityCalculator::Button1Click}, {Button2, &TLunarVelocityCalculator::Button2Click},
      {Button3, &TLunarVelocityCalculator::Button3Click}, {Button4, &TLunarVelocityCalculator::Button4Click},
      {Button5, &TLunarVelocityCalculator::Button5Click}, {Button6, &TLunarVelocityCalculator::Button6Click},
      {Button7, &TLunarVelocityCalculator::Button7Click}};
  ConnectEach(this, button_handlers);
}

void TLunarVelocityCalculator::FormCreate() {
  Edit1->setText("1.40");
  Edit2->clear();
  Edit6->setText("5.000");
  open_flag = true;
}

// Freed with the chart it was opened from, it closes without a close event.
TLunarVelocityCalculator::~TLunarVelocityCalculator() { open_flag = false; }

void TLunarVelocityCalculator::closeEvent(QCloseEvent* e) {
  open_flag = false;
  e->accept();
}

void TLunarVelocityCalculator::CalcLunarLimbVelocity() {
  std::string hsf = Text(Edit1);
  const auto v = ::CalcLunarLimbVelocity(hsf);
  SetText(Edit1, hsf);
  SetText(Edit2, v.value_or(kNoResult));
}

void TLunarVelocityCalculator::CalcAsteroidVelocity() {
  std::string d = Text(Edit3), t = Text(Edit4);
  const auto v = ::CalcAsteroidVelocity(d, t);
  SetText(Edit3, d);
  SetText(Edit4, t);
  SetText(Edit5, v.value_or(kNoResult));
}

void TLunarVelocityCalculator::CalcAsteroidDistance() {
  std::string p = Text(Edit6);
  const auto km = ::CalcAsteroidDistance(p);
  SetText(Edit6, p);
  SetText(Edit7, km.value_or(kNoResult));
}

void TLunarVelocityCalculator::Button1Click() { CalcLunarLimbVelocity(); }

void TLunarVelocityCalculator::Button2Click() {
  CalcLunarLimbVelocity();
  WriteToPanel(PanelEdit::Velocity, Edit2->text());
}

void TLunarVelocityCalculator::Button3Click() { CalcAsteroidVelocity(); }

void TLunarVelocityCalculator::Button4Click() {
  CalcAsteroidVelocity();
  WriteToPanel(PanelEdit::Velocity, Edit5->text());
}

void TLunarVelocityCalculator::Button5Click() { CalcAsteroidDistance(); }

void TLunarVelocityCalculator::Button6Click() {
  CalcAsteroidDistance();
  WriteToPanel(PanelEdit::Distance, Edit7->text());
}

void TLunarVelocityCalculator::Button7Click() {
  const auto r = ::CalcShadowVelocity(Text(Edit8), Text(Edit9), Text(Edit11));
  if (!r) return;
  SetText(Edit10, r->VelocityText);
  WriteToPanel(PanelEdit::Velocity, Edit10->text());
  WriteToPanel(PanelEdit::Distance, QString::fromStdString(r->DistanceText));
  WriteToPanel(PanelEdit::ContactAngle, QString::fromStdString(r->ContactAngleText));
}

void TLunarVelocityCalculator::WriteToPanel(PanelEdit edit, const QString& text) {
  // A parallax of 0 or a result beyond any number gives nothing to hand on.
  if (text == kNoResult) return;
  TFresnelCtrl* p = panel_ ? panel_() : nullptr;
  if (!p || !p->InDiffractionMode()) return;
  QLineEdit* target = edit == PanelEdit::Distance ? p->Edit1 : edit == PanelEdit::Velocity ? p->Edit2 : p->Edit8;
  p->SetEditFromOutside(target, text);
}
