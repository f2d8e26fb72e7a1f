#include "support/RingMasks.h"

ApertureClasses RingMasks(int aperture, int inner, int outer) {
  ApertureClasses classes;
  BkgLineGeometry geometry;
  MaskSettings s;
  s.ApertureRadius = aperture;
  s.BackgroundInner = inner;
  s.BackgroundOuter = outer;
  BuildObjectMasks(classes, geometry, s);
  return classes;
}
