#include "gui/BoundingBox.h"

#include <algorithm>

namespace HD {

void BoundingBox::enlarge(const BoundingBox& other)
{
    minX = std::min(minX, other.minX);
    minY = std::min(minY, other.minY);
    minZ = std::min(minZ, other.minZ);
    maxX = std::max(maxX, other.maxX);
    maxY = std::max(maxY, other.maxY);
    maxZ = std::max(maxZ, other.maxZ);
}

void BoundingBox::translate(float x, float y, float z)
{
    minX += x;
    minY += y;
    minZ += z;
    maxX += x;
    maxY += y;
    maxZ += z;
}

bool BoundingBox::contains(Point point) const
{
    return minX <= point.x && point.x <= maxX && minY <= point.y && point.y <= maxY;
}

}  // namespace HD
