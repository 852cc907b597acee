// The speed profile and the points of a path.
#include "engine/path/PathGenerator.h"

#include "core/VQXException.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kTiny = 1e-10;
constexpr double kPi = 3.14159265358979323846;

[[noreturn]] void Refuse() { throw CVQXException(CVQXException::InvalidData); }

// NaN and infinities are refused wherever a number is taken.
bool NonNegative(double x) { return std::isfinite(x) && x >= 0; }
} // namespace

void CPathGenerator::SetStartSpeed(double v)
{
    if (!NonNegative(v))
        Refuse();
    m_startSpeed = v;
}

void CPathGenerator::SetAcceleration(double a)
{
    if (!NonNegative(a))
        Refuse();
    m_acceleration = a;
}

void CPathGenerator::SetEndSpeed(double v)
{
    if (!NonNegative(v))
        Refuse();
    m_endSpeed = v;
}

double CPathGenerator::StartPoint(int axis) const
{
    if (axis < 1 || axis > MaxAxes)
        Refuse();
    return m_startPoint[axis - 1];
}

void CPathGenerator::SetStartPoint(int axis, double value)
{
    if (axis < 1 || axis > MaxAxes || !std::isfinite(value))
        Refuse();
    m_startPoint[axis - 1] = value;
}

void CPathGenerator::SetTimeDelta(int32_t dt)
{
    if (dt < 0)
        Refuse();
    m_timeDelta = dt;
}

void CPathGenerator::SetPlane(int32_t plane)
{
    if (plane < 0 || plane > 2)
        Refuse();
    m_plane = plane;
}

void CPathGenerator::GenerateDistance(double maxSpeed, double totalLength)
{
    if (!NonNegative(maxSpeed) || !NonNegative(totalLength))
        Refuse();
    m_maxSpeed = maxSpeed;
    m_totalLength = totalLength;
    m_axisCount = 1;
    m_kind = Distance;
    Generate();
}

void CPathGenerator::ReadAxes(const std::vector<double>& values, std::array<double, MaxAxes>& into, int maxAxes)
{
    if (values.empty() || static_cast<int>(values.size()) > maxAxes)
        Refuse();
    for (size_t k = 0; k < values.size(); ++k) {
        if (!std::isfinite(values[k]))
            Refuse();
        into[k] = values[k];
    }
}

void CPathGenerator::GenerateLine(double maxSpeed, const std::vector<double>& endPoint)
{
    m_maxSpeed = maxSpeed;
    ReadAxes(endPoint, m_endPoint, MaxAxes);
    m_axisCount = static_cast<int32_t>(endPoint.size());
    m_kind = Line;
    ComputeLength();
    Generate();
}

void CPathGenerator::GenerateArc(double maxSpeed, const std::vector<double>& endPoint,
                                 const std::vector<double>& centre, bool clockwise)
{
    m_maxSpeed = maxSpeed;
    ReadAxes(endPoint, m_endPoint, 3);
    if (centre.size() != endPoint.size())
        Refuse();
    ReadAxes(centre, m_centre, 3);
    m_axisCount = static_cast<int32_t>(endPoint.size());
    m_kind = clockwise ? ArcClockwise : ArcCounterClockwise;
    // The plane's two axes must belong to the path, else the arc would move axes it does not own.
    int u, v, w;
    PlaneAxes(u, v, w);
    if (u >= m_axisCount || v >= m_axisCount)
        Refuse();
    ComputeLength();
    Generate();
}

void CPathGenerator::PlaneAxes(int& u, int& v, int& w) const
{
    switch (m_plane) {
    case 1: u = 0, v = 2, w = 1; break;
    case 2: u = 1, v = 2, w = 0; break;
    default: u = 0, v = 1, w = 2; break;
    }
}

void CPathGenerator::ComputeLength()
{
    if (m_kind == Line) {
        double sum = 0;
        for (int k = 0; k < m_axisCount; ++k)
            sum += (m_endPoint[k] - m_startPoint[k]) * (m_endPoint[k] - m_startPoint[k]);
        m_totalLength = std::sqrt(sum);
    } else if (m_kind == ArcClockwise || m_kind == ArcCounterClockwise) {
        ArcLength();
    }
    if (!std::isfinite(m_totalLength))
        Refuse();
}

void CPathGenerator::ArcLength()
{
    int u, v, w;
    PlaneAxes(u, v, w);
    m_startAngle = std::atan2(m_startPoint[v] - m_centre[v], m_startPoint[u] - m_centre[u]);
    const double endAngle = std::atan2(m_endPoint[v] - m_centre[v], m_endPoint[u] - m_centre[u]);
    double sweep = m_kind == ArcCounterClockwise ? endAngle - m_startAngle : m_startAngle - endAngle;
    if (sweep <= kTiny)
        sweep += 2 * kPi;
    m_radius = std::hypot(m_startPoint[u] - m_centre[u], m_startPoint[v] - m_centre[v]);
    if (!(m_radius > kTiny))
        Refuse();
    // The linear axis only counts when the path has it (a helix); a two-axis arc stays flat.
    const double rise = w < m_axisCount ? m_endPoint[w] - m_startPoint[w] : 0.0;
    m_totalLength = std::sqrt((m_radius * sweep) * (m_radius * sweep) + rise * rise);
    if (!(m_totalLength > kTiny))
        Refuse();
}

void CPathGenerator::CheckSettings() const
{
    if (m_timeDelta <= 0)
        Refuse();
    if (!NonNegative(m_startSpeed) || !NonNegative(m_endSpeed) || !NonNegative(m_maxSpeed) ||
        !NonNegative(m_acceleration) || m_startClock < 0)
        Refuse();
    if (m_acceleration == 0) {
        if (m_slowToEndSpeed && m_endSpeed != m_startSpeed)
            Refuse();
        if (m_maxSpeed != m_startSpeed)
            Refuse();
        // Nothing moves at all: the profile would never end.
        if (m_startSpeed == 0 && m_totalLength >= kTiny)
            Refuse();
    } else if (m_maxSpeed == 0 && m_totalLength >= kTiny) {
        // No cruise speed to reach the end with.
        Refuse();
    }
}

double CPathGenerator::Up(double x) const
{
    const double dt = m_timeDelta;
    // A quotient a rounding error above a whole number of deltas stays that number.
    return dt * std::ceil(x / dt - 1e-9);
}

std::pair<double, double> CPathGenerator::SolveTwoPhases(double d, double b, double c, double u, double w)
{
    const double m = (2 * d - c * w - b * u) / (b + c);
    return {(m - u) / b, (w - m) / c};
}

void CPathGenerator::ScheduleTime()
{
    const double L = m_totalLength, Vs = m_startSpeed, A = m_acceleration, Vmax = m_maxSpeed;
    const double dt = m_timeDelta;
    double vf = m_slowToEndSpeed ? m_endSpeed : Vmax;
    m_phaseEnd = {0, 0, 0};
    m_phaseAcc = {0, 0, 0};
    if (L < kTiny) {
        m_finalSpeed = vf;
        return;
    }
    vf = std::min(vf, std::sqrt(Vs * Vs + 2 * L * A));
    m_finalSpeed = vf;
    double &t1 = m_phaseEnd[0], &t2 = m_phaseEnd[1], &T = m_phaseEnd[2];
    double &a1 = m_phaseAcc[0], &a2 = m_phaseAcc[1], &a3 = m_phaseAcc[2];

    if (std::fabs(vf * vf - Vs * Vs) / (2 * L) >= A) {
        // Short move: no room to reach the maximum speed.
        const double b = Up(2 * L / (Vs + vf));
        double second;
        if (b > dt) {
            t1 = Up(b / 2);
            second = b - t1;
        } else {
            t1 = dt;
            second = dt;
        }
        std::tie(a1, a3) = SolveTwoPhases(L, t1, second, Vs, vf);
        a2 = 0;
        t2 = t1;
        T = t1 + second;
        return;
    }

    a1 = Vmax > Vs ? A : -A;
    a3 = Vmax > vf ? -A : A;
    t1 = Up((Vmax - Vs) / a1);
    double t3 = Up((vf - Vmax) / a3);
    const double d1 = (Vmax + Vs) * t1 / 2;
    double cruise = Up((L - d1 - t3 * (Vmax + vf) / 2) / Vmax);
    if (t1 == 0 && t3 == 0) {
        t1 = Up(cruise / 2);
        cruise -= t1;
        if (cruise == 0)
            cruise = dt;
        std::tie(a1, a2) = SolveTwoPhases(L, t1, cruise, Vs, vf);
        a3 = 0;
    } else if (t1 != 0 && t3 != 0) {
        if (cruise > 0) {
            // Trapezoid: the ramp up reaches the maximum speed on a whole delta; cruise and ramp
            // down share the rest, so that the path ends exactly at its length.
            a1 = (Vmax - Vs) / t1;
            std::tie(a2, a3) = SolveTwoPhases(L - d1, cruise, t3, Vmax, vf);
        } else {
            if ((a1 > 0) != (a3 > 0)) {
                // Triangle: the peak stays below the maximum speed.
                const double lAcc = (2 * L * a1 + vf * vf - Vs * Vs) / (4 * a1);
                const double peak = std::sqrt(std::max(0.0, Vs * Vs + 2 * a1 * lAcc));
                t1 = Up((peak - Vs) / a1);
                t3 = peak + vf > 0 ? Up(2 * (L - lAcc) / (peak + vf)) : 0;
                if (t3 <= 0)
                    t3 = dt;
                if (t1 <= 0)
                    t1 = dt;
            }
            cruise = 0;
            a2 = 0;
            std::tie(a1, a3) = SolveTwoPhases(L, t1, t3, Vs, vf);
        }
    } else if (t1 != 0) {
        if (cruise <= 0) {
            cruise = Up(t1 / 2);
            t1 -= cruise;
            if (t1 == 0)
                t1 = dt;
        }
        std::tie(a1, a2) = SolveTwoPhases(L, t1, cruise, Vs, vf);
        a3 = 0;
    } else {
        if (cruise <= 0) {
            cruise = Up(t3 / 2);
            t3 -= cruise;
            if (t3 == 0)
                t3 = dt;
        }
        std::tie(a2, a3) = SolveTwoPhases(L, cruise, t3, Vs, vf);
        a1 = 0;
    }
    t2 = t1 + cruise;
    T = t2 + t3;
}

void CPathGenerator::AllocatePoints()
{
    const double count = std::floor(m_phaseEnd[2] / m_timeDelta + 1e-9) + 1;
    // The last clock must fit the 32-bit clock too.
    if (!(count <= MaxPoints) ||
        m_startClock + (count - 1) * static_cast<double>(m_timeDelta) > std::numeric_limits<int32_t>::max())
        Refuse();
    m_points.assign(static_cast<size_t>(count), PathPoint{});
}

void CPathGenerator::PlacePoint(PathPoint& p, double s) const
{
    p.axis = m_startPoint;
    const double length = m_totalLength;
    if (m_kind == Distance) {
        p.axis[0] = s;
        return;
    }
    if (length <= kTiny)
        return;
    if (m_kind == Line) {
        for (int k = 0; k < m_axisCount; ++k)
            p.axis[k] = m_startPoint[k] + s * (m_endPoint[k] - m_startPoint[k]) / length;
        return;
    }
    int u, v, w;
    PlaneAxes(u, v, w);
    const double rise = w < m_axisCount ? m_endPoint[w] - m_startPoint[w] : 0.0;
    const double g = std::sqrt(std::max(0.0, 1 - rise * rise / (length * length)));
    const double turn = s * g / m_radius;
    const double theta = m_kind == ArcCounterClockwise ? m_startAngle + turn : m_startAngle - turn;
    p.axis[u] = m_centre[u] + m_radius * std::cos(theta);
    p.axis[v] = m_centre[v] + m_radius * std::sin(theta);
    // A helix: the linear axis moves in proportion to the distance, as the length assumes.
    if (w < m_axisCount)
        p.axis[w] = m_startPoint[w] + s * rise / length;
}

void CPathGenerator::Generate()
{
    CheckSettings();
    ScheduleTime();
    AllocatePoints();
    const double dt = m_timeDelta;
    const double t1 = m_phaseEnd[0], t2 = m_phaseEnd[1];
    double v = m_startSpeed, s = 0, elapsed = 0, speedAtPoint = v;
    const size_t n = m_points.size();
    for (size_t i = 0; i < n; ++i) {
        PathPoint& p = m_points[i];
        // The profile covers the length exactly; the last point is the end itself, not the end
        // plus the sum's rounding, so that the next path starts where this one stopped.
        if (i + 1 == n && n > 1) {
            PlacePoint(p, m_totalLength);
            if (m_kind != Distance)
                std::copy_n(m_endPoint.begin(), m_axisCount, p.axis.begin());
        } else {
            PlacePoint(p, s);
        }
        p.clock = static_cast<int32_t>(m_startClock + static_cast<int64_t>(i) * m_timeDelta);
        elapsed += dt;
        speedAtPoint = v;
        const double a = elapsed > t2 ? m_phaseAcc[2] : elapsed > t1 ? m_phaseAcc[1] : m_phaseAcc[0];
        const double previous = v;
        v += a * dt;
        s += (v + previous) * dt / 2;
    }
    m_startSpeed = speedAtPoint < kTiny ? 0 : speedAtPoint;
    if (m_kind != Distance)
        for (int k = 0; k < m_axisCount; ++k)
            m_startPoint[k] = m_endPoint[k];
    // The next path's first point is this one's last: it keeps its clock.
    m_startClock = m_points.back().clock;
}

std::vector<double> CPathGenerator::GetDataPairs(int first) const
{
    std::vector<double> out;
    const int columns = m_axisCount + 1;
    if (first < 0 || first > PointCount())
        return out;
    out.reserve(static_cast<size_t>(PointCount() - first) * static_cast<size_t>(columns));
    for (int i = first; i < PointCount(); ++i) {
        for (int k = 0; k < m_axisCount; ++k)
            out.push_back(m_points[static_cast<size_t>(i)].axis[static_cast<size_t>(k)]);
        out.push_back(static_cast<double>(m_points[static_cast<size_t>(i)].clock));
    }
    return out;
}
