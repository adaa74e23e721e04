// Single-precision vector and matrix helpers for the surface view. Indexes run 1 to 4 as in
// the design; element 0 of each array is unused.
#pragma once

#include <array>

using Vector4 = std::array<float, 5>;
using Matrix4 = std::array<std::array<float, 5>, 5>;

struct SurfacePoint {
    Vector4 world{};
    Vector4 view{};
};

float VectorAngle(float x, float y);
void MatIdentity(Matrix4& m);
void MatMultiply(Matrix4& p, const Matrix4& a, const Matrix4& b);
void MatApply(Vector4& u, const Vector4& v, const Matrix4& m);
// False when the eye lies on the height axis, where no view direction exists.
bool BuildViewMatrix(Matrix4& m, float eyeX, float eyeY, float eyeZ);
