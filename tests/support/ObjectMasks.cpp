#include "support/ObjectMasks.h"

ApertureClasses ObjectMasks(const MaskSettings& s, int direction_x, int direction_y) {
  ApertureClasses classes;
  BkgLineGeometry geometry;
  geometry.DirectionX = direction_x;
  geometry.DirectionY = direction_y;
  BuildObjectMasks(classes, geometry, s);
  return classes;
}

ApertureClasses RingMasks(int aperture, int inner, int outer) {
  MaskSettings s;
  s.ApertureRadius = aperture;
  s.BackgroundInner = inner;
  s.BackgroundOuter = outer;
  return ObjectMasks(s);
}
