#include "support/ObjectMasks.h"

ApertureClasses ObjectMasks(const MaskSettings& s, int direction_x, int direction_y) {
  ApertureClasses classes;
  BkgLineGeometry geometry;
  geometry.DirectionX = direction_x;
  geometry.DirectionY = direction_y;
  BuildObjectMasks(classes, geometry, s);
  return classes;
}

MaskSettings MaskOf(int aperture, int inner, int outer, uint8_t form, int gap, int width, bool cut_upper,
                    bool cut_lower) {
  MaskSettings s;
  s.ApertureRadius = aperture;
  s.BackgroundInner = inner;
  s.BackgroundOuter = outer;
  s.BackgroundForm = form;
  s.Gap = gap;
  s.Width = width;
  s.CutBkgUpperSide = cut_upper;
  s.CutBkgLowerSide = cut_lower;
  return s;
}

ApertureClasses RingMasks(int aperture, int inner, int outer) { return ObjectMasks(MaskOf(aperture, inner, outer)); }
