// The kinds of figure the geometry and line tools draw.
#pragma once

enum class GeometryKind { Segment = 0, Rectangle = 1, Ellipse = 2, Triangle = 3, Point = 4 };
enum class LineToolKind { None = 0, StraightLine = 1, FixedLengthSegment = 2, Ray = 3, Polyline = 4, Vector = 5, EqualVector = 6 };
