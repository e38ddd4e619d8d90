// An axis-aligned box in window units; "empty" has its minimum above its maximum.
#pragma once

namespace HD {

struct Point
{
    float x;
    float y;
};

struct BoundingBox
{
    float minX = 1e10f, minY = 1e10f, minZ = 1e10f;
    float maxX = -1e10f, maxY = -1e10f, maxZ = -1e10f;

    static BoundingBox empty() { return BoundingBox{}; }
    bool isEmpty() const { return minX > maxX; }

    // Each minimum to the smaller, each maximum to the larger of the two.
    void enlarge(const BoundingBox& other);
    void translate(float x, float y, float z);
    // Edges count as inside; z is ignored.
    bool contains(Point point) const;
    float centreX() const { return (minX + maxX) * 0.5f; }
    float centreY() const { return (minY + maxY) * 0.5f; }
};

}  // namespace HD
