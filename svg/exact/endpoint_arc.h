#pragma once

// An elliptical arc as path data writes it (two end points, radii, rotation and flags) turned
// into centre form, and its directions at both ends.

#include "svg/exact/exact_path_walk.h"

namespace pavrix_svg {

// The arc in the unit-circle space about the chord's midpoint: a unit point u maps to the user
// point rotate(phi) · (u.x · radiusX, u.y · radiusY) + midpoint. The start lies at (xi0, eta0),
// the end at (-xi0, -eta0); the arc runs from angle theta0 over dTheta about the centre.
struct EndpointArc {
    double radiusX = 0.0;  // grown where the written radii cannot reach both ends
    double radiusY = 0.0;
    double cosPhi = 1.0;
    double sinPhi = 0.0;
    double xi0 = 0.0;
    double eta0 = 0.0;
    double centreXi = 0.0;
    double centreEta = 0.0;
    double theta0 = 0.0;
    double dTheta = 0.0;
    double chordSquared = 0.0;  // in the unit space
    double centreOffset = 0.0;  // signed distance of the centre from the midpoint, per unit of chord
};

// Centre form of the arc from `start` to `end`. The caller has dealt with the degenerate arcs
// (a zero radius draws a line, an end on the start draws nothing); false when the unit-space
// chord is not finite and positive or the sweep angle not finite.
bool centreEndpointArc(const ExactPoint& start, const ExactPoint& end, double radiusX, double radiusY,
                       double rotationDegrees, bool largeArc, bool sweep, EndpointArc& arc) noexcept;

// The directions (not normalised) in which the arc leaves its start and reaches its end.
ExactPoint arcStartDirection(const EndpointArc& arc) noexcept;
ExactPoint arcEndDirection(const EndpointArc& arc) noexcept;

}  // namespace pavrix_svg
