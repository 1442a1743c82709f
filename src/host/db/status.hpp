// Status codes and open modes, named as the host names them.
#pragma once

namespace Zcad {
enum ErrorStatus {
  eOk = 0,
  eNotImplementedYet = 1,
  eNotApplicable = 2,
  eInvalidInput = 3,
  eOutOfMemory = 6,
  eInvalidOpenState = 8,
  eNullObjectId = 12,
  eInvalidIndex = 14,
  eWasErased = 18,
  eNotOpenForWrite = 20,
  eNotThatKindOfClass = 24,
  eAlreadyInDb = 26,
  eKeyNotFound = 33,
  eDuplicateKey = 35,
  eInvalidDxfCode = 40,
  eBadDxfSequence = 41,
  eFileNotFound = 47,
  eNotInDatabase = 50,
  eInvalidKey = 53,
  eDuplicateRecordName = 57,
  eInvalidSymbolTableName = 59,
  eDwgNotRecognized = 63,
  eBadDwgHeader = 64,
  eFileAccessErr = 65,
  eDwgNeedsRecovery = 71,
  eNullHandle = 87,
  eInvalidDrawingVersion = 124,
  eHandleInUse = 163,
  eNotInBlock = 196,
  eDegenerateGeometry = 232,
  eInvalidExtents = 233,
  eCycleDetected = 300,
};
}  // namespace Zcad

namespace ZcDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
enum Visibility { kVisible = 0, kInvisible = 1 };
enum TextHorzMode { kTextLeft = 0, kTextCenter = 1, kTextRight = 2, kTextAlign = 3, kTextMid = 4, kTextFit = 5 };
enum TextVertMode { kTextBase = 0, kTextBottom = 1, kTextVertMid = 2, kTextTop = 3 };
enum Poly2dType { k2dSimplePoly = 0, k2dFitCurvePoly = 1, k2dQuadSplinePoly = 2, k2dCubicSplinePoly = 3 };
enum Poly3dType { k3dSimplePoly = 0, k3dQuadSplinePoly = 1, k3dCubicSplinePoly = 2 };
enum Vertex2dType { k2dVertex = 0, k2dSplineCtlVertex = 1, k2dSplineFitVertex = 2, k2dCurveFitVertex = 3 };
enum Vertex3dType { k3dSimpleVertex = 0, k3dControlVertex = 1, k3dFitVertex = 2 };
enum DuplicateRecordCloning { kDrcIgnore = 1, kDrcReplace = 2 };
constexpr int kColorByBlock = 0;
constexpr int kColorByLayer = 256;
}  // namespace ZcDb
