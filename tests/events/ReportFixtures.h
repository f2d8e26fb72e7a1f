#pragma once
// A recorded asteroidal event shared by the report tests.
#include "events/ChartEventState.h"
#include "events/ObservationReport.h"
#include "events/TimingList.h"

inline TReportLightCurveElement AsteroidRecord() {
  TReportLightCurveElement e;
  e.Kind = ReportKind::Asteroid;
  e.EventDate = "2023|7|17";
  e.EventHour = "10.5";
  e.ObjectNumber = "1234";
  e.ObjectName = "Name";
  e.ObjectLabel = "1234: Name";
  e.Catalogue = "TYC";
  e.StarNumber = "1234-567-1";
  e.Longitude = "+135 30 15.0";
  e.Latitude = "-5 2 3";
  e.Altitude = "40";
  e.Observer = "Obs One";
  e.RecordingDate = "23-7-5";
  return e;
}

inline ReportFormInputs AsteroidForm() {
  ReportFormInputs in;
  in.Catalogue = "TYC";
  in.StarNumber = "1234-567-1";
  in.Observer = "Obs One";
  in.Site = "Home";
  in.Country = "JP";
  in.Remarks = "clear";
  return in;
}

inline TAsteroidEachEventTime Timed(const char* h, const char* m, const char* s, const char* err, const char* sn,
                                    bool d, bool minor = false) {
  TAsteroidEachEventTime e;
  Hour(e) = h;
  Minute(e) = m;
  Second(e) = s;
  e.Error = err;
  Sn(e) = sn;
  SetDisappearance(e, d);
  SetMinor(e, minor);
  e.ContactAngle = "0.0";
  e.MeasuredDrop = "1.2";
  e.PredictedDrop = "1.5";
  return e;
}
