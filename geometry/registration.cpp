#include "geometry/registration.h"

#include "core/reader_registry.h"
#include "geometry/area_figures.h"
#include "geometry/emitter_figures.h"
#include "geometry/figures.h"

void RegisterGeometryReaders() {
  RegisterReader<ZVI_VGeom2D_Polyline, ZVI_VGeom2D>(u"ZVI_VGeom2D_Polyline");
  RegisterReader<ZVI_VGeom2D_LineSegment, ZVI_VGeom2D>(u"ZVI_VGeom2D_LineSegment");
  RegisterReader<ZVI_VGeom2D_CubicSpline, ZVI_VGeom2D>(u"ZVI_VGeom2D_CubicSpline");
  RegisterReader<ZVI_VGeom2D_Loop, ZVI_VGeom2D>(u"ZVI_VGeom2D_Loop");
  RegisterReader<ZVI_VGeom2D_BSpline, ZVI_VGeom2D>(u"ZVI_VGeom2D_BSpline");
  RegisterReader<ZVI_VGeom2D_Stripe, ZVI_VGeom2D>(u"ZVI_VGeom2D_Stripe");
  RegisterReader<ZVI_VGeom2D_Rect, ZVI_VGeom2D>(u"ZVI_VGeom2D_Rect");
  RegisterReader<ZVI_VGeom2D_Sector, ZVI_VGeom2D>(u"ZVI_VGeom2D_Sector");
  // The spiral answers a misspelt type name; only the correct one is registered.
  RegisterReader<ZVI_VGeom2D_Spiral, ZVI_VGeom2D>(u"ZVI_VGeom2D_Spiral");
  RegisterReader<ZVI_VGeom2D_Sphere, ZVI_VGeom2D>(u"ZVI_VGeom2D_Sphere");
  RegisterReader<ZVI_VGeom2D_Freeform, ZVI_VGeom2D>(u"ZVI_VGeom2D_Freeform");
  RegisterReader<ZVI_VGeom2D_Text, ZVI_VGeom2D>(u"ZVI_VGeom2D_Text");

  RegisterReader<ZVI_VFigure_Rect, ZVI_VFigure>(u"ZVI_VFigure_Rect");
  RegisterReader<ZVI_VFigure_Sector, ZVI_VFigure>(u"ZVI_VFigure_Sector");
  RegisterReader<ZVI_VFigure_BSpline, ZVI_VFigure>(u"ZVI_VFigure_BSpline");

  RegisterReader<ZVI_VGradient_Linear, ZVI_VGradient>(u"ZVI_VGradient_Linear");
  RegisterReader<ZVI_VGradient_Circular, ZVI_VGradient>(u"ZVI_VGradient_Circular");
}
