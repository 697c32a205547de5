// The arrow of a cell in the vectors view: its colour, length and angle.

#include <cmath>
#include <limits>
#include <numbers>

#include "base/NumericCasts.h"
#include "cells/Cell.h"
#include "view/ViewSettings.h"

namespace view {

using cells::BoolField;
using cells::Cell;
using cells::FloatField;
using cells::UintField;

namespace {

// (value - minimum) / (maximum - minimum), unclamped: a uint below its minimum wraps to a very
// large fraction, as the unsigned difference says. A range whose ends are equal gives 0 (the
// minimum's value) instead of 0 / 0 or x / 0. Float differences are taken in double precision.
double ComponentRatio(const VectorComponent& component, const Cell& cell) {
    if (component.Kind == ComponentKind::Uint) {
        uint32_t span = component.UintMaximum - component.UintMinimum;
        if (span == 0) return 0.0;
        return static_cast<double>(UintField(cell, component.Field) - component.UintMinimum) / static_cast<double>(span);
    }
    if (component.FloatMinimum == component.FloatMaximum) return 0.0;
    return (static_cast<double>(FloatField(cell, component.Field)) - static_cast<double>(component.FloatMinimum)) /
           (static_cast<double>(component.FloatMaximum) - static_cast<double>(component.FloatMinimum));
}

// A Cartesian coordinate: bools give +1 or -1, ranges map [minimum, maximum] onto [-1, 1].
double Coordinate(const VectorComponent& component, const Cell& cell, double fallback) {
    switch (component.Kind) {
        case ComponentKind::Bool: return BoolField(cell, component.Field) != 0 ? 1.0 : -1.0;
        case ComponentKind::Uint:
        case ComponentKind::Float: return 2.0 * ComponentRatio(component, cell) - 1.0;
        case ComponentKind::Default: break;
    }
    return fallback;
}

}  // namespace

float VectorLength(const VectorSpec& spec, const Cell& cell) {
    double length = 1.0;
    if (spec.Form == VectorForm::Cartesian) {
        double x = Coordinate(spec.Component1, cell, 1.0);
        double y = Coordinate(spec.Component2, cell, 0.0);
        length = std::sqrt(x * x + y * y);
    } else {
        const VectorComponent& r = spec.Component1;
        switch (r.Kind) {
            case ComponentKind::Bool: length = BoolField(cell, r.Field) != 0 ? 1.0 : 0.5; break;
            case ComponentKind::Uint:
            case ComponentKind::Float: length = ComponentRatio(r, cell); break;
            case ComponentKind::Default: length = 1.0; break;
        }
    }
    // Extreme ranges can leave the float range; the length becomes infinite, never undefined.
    return base::NarrowToFloat(length);
}

float VectorAngle(const VectorSpec& spec, const Cell& cell) {
    double angle = 0.0;
    if (spec.Form == VectorForm::Cartesian) {
        double x = Coordinate(spec.Component1, cell, 1.0);
        double y = Coordinate(spec.Component2, cell, 0.0);
        // Rows grow downwards, so a positive y turns the arrow clockwise on screen.
        angle = -std::atan2(y, x);
    } else {
        const VectorComponent& alfa = spec.Component2;
        switch (alfa.Kind) {
            case ComponentKind::Bool:
                angle = BoolField(cell, alfa.Field) != 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
                break;
            case ComponentKind::Uint:
            case ComponentKind::Float: angle = ComponentRatio(alfa, cell) * 2 * std::numbers::pi; break;
            case ComponentKind::Default: angle = 0.0; break;
        }
    }
    return base::NarrowToFloat(angle);
}

float MaximumVectorLength(const VectorSpec& spec) {
    auto bounded = [](const VectorComponent& component) {
        return component.Kind == ComponentKind::Bool || component.Kind == ComponentKind::Default;
    };
    constexpr float unbounded = std::numeric_limits<float>::infinity();
    if (spec.Form == VectorForm::Cartesian)
        return bounded(spec.Component1) && bounded(spec.Component2) ? std::numbers::sqrt2_v<float> : unbounded;
    return bounded(spec.Component1) ? 1.0f : unbounded;
}

CellArrow CellVector(const VectorSpec& spec, const Cell& cell, const Cell& previous, uint32_t background) {
    CellArrow arrow;
    arrow.Color = spec.Color.Mode == ColorMode::BoolDouble ? DoubleColor(spec.Color, cell, previous)
                                                           : CellColor(spec.Color, cell, background);
    arrow.Length = VectorLength(spec, cell);
    arrow.Angle = VectorAngle(spec, cell);
    return arrow;
}

}  // namespace view
