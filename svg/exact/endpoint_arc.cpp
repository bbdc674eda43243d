#include "svg/exact/endpoint_arc.h"

#include <algorithm>
#include <cmath>

namespace pavrix_svg {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// The tangent at unit point (ux, uy) of the circle about the unit centre, turned the way the arc
// runs, taken back to user space (no translation: a direction).
ExactPoint tangentAt(const EndpointArc& arc, double ux, double uy) noexcept {
    const double rx = ux - arc.centreXi;
    const double ry = uy - arc.centreEta;
    const double turn = arc.dTheta > 0.0 ? 1.0 : -1.0;
    const double px = -ry * turn * arc.radiusX;
    const double py = rx * turn * arc.radiusY;
    return {px * arc.cosPhi - py * arc.sinPhi, px * arc.sinPhi + py * arc.cosPhi};
}

}  // namespace

bool centreEndpointArc(const ExactPoint& start, const ExactPoint& end, double radiusX, double radiusY,
                       double rotationDegrees, bool largeArc, bool sweep, EndpointArc& arc) noexcept {
    double rx = std::fabs(radiusX);
    double ry = std::fabs(radiusY);
    const double phi = std::fmod(rotationDegrees, 360.0) * kPi / 180.0;
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);

    // Everything below works relative to the chord midpoint. Dividing absolute coordinates by the
    // radii would lose the chord to cancellation far from the origin, and the centre offset (a
    // square root of that cancellation) would then move the arc far from the written one.
    const double hx = (start.x - end.x) / 2.0;
    const double hy = (start.y - end.y) / 2.0;
    const double xPrime = cosPhi * hx + sinPhi * hy;
    const double yPrime = cosPhi * hy - sinPhi * hx;
    // sqrt(lambda) as a hypot, so that tiny radii do not overflow the squares.
    const double sqrtLambda = std::hypot(xPrime / rx, yPrime / ry);
    if (sqrtLambda > 1.0) {
        rx *= sqrtLambda;
        ry *= sqrtLambda;
    }

    // Unit-circle space, origin at the chord midpoint: start = +h, end = -h.
    const double xi0 = xPrime / rx;
    const double eta0 = yPrime / ry;
    const double dXi = -xi0 - xi0;
    const double dEta = -eta0 - eta0;
    const double d2 = dXi * dXi + dEta * dEta;
    if (!std::isfinite(d2) || !(d2 > 0.0))
        return false;
    double s = std::sqrt(std::max(1.0 / d2 - 0.25, 0.0));
    if (largeArc == sweep)
        s = -s;
    const double cXi = -s * dEta;
    const double cEta = s * dXi;
    const double theta0 = std::atan2(eta0 - cEta, xi0 - cXi);
    double dTheta = std::atan2(-eta0 - cEta, -xi0 - cXi) - theta0;
    if (dTheta < 0.0 && sweep)
        dTheta += kTwoPi;
    else if (dTheta > 0.0 && !sweep)
        dTheta -= kTwoPi;
    if (!std::isfinite(dTheta))
        return false;

    arc = EndpointArc{rx, ry, cosPhi, sinPhi, xi0, eta0, cXi, cEta, theta0, dTheta, d2, s};
    return true;
}

ExactPoint arcStartDirection(const EndpointArc& arc) noexcept {
    return tangentAt(arc, arc.xi0, arc.eta0);
}

ExactPoint arcEndDirection(const EndpointArc& arc) noexcept {
    return tangentAt(arc, -arc.xi0, -arc.eta0);
}

}  // namespace pavrix_svg
