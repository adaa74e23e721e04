#include "surface/Module1.h"

#include <cmath>

float VectorAngle(float x, float y) {
    if (x == 0.0f) {
        return 0.0f;
    }
    float angle = std::atan(y / x);
    if (x < 0.0f) {
        angle += 3.14159f;
    }
    return angle;
}

void MatIdentity(Matrix4& m) {
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 4; ++j) {
            m[i][j] = (i == j) ? 1.0f : 0.0f;
        }
    }
}

void MatMultiply(Matrix4& p, const Matrix4& a, const Matrix4& b) {
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 4; ++j) {
            float sum = 0.0f;
            for (int k = 1; k <= 4; ++k) {
                sum += a[i][k] * b[k][j];
            }
            p[i][j] = sum;
        }
    }
}

void MatApply(Vector4& u, const Vector4& v, const Matrix4& m) {
    for (int i = 1; i <= 4; ++i) {
        float sum = 0.0f;
        for (int j = 1; j <= 4; ++j) {
            sum += v[j] * m[j][i];
        }
        u[i] = sum;
    }
    u[1] /= u[4];
    u[2] /= u[4];
    u[3] /= u[4];
    u[4] = 1.0f;
}

bool BuildViewMatrix(Matrix4& m, float eyeX, float eyeY, float eyeZ) {
    const float r1 = std::sqrt(eyeX * eyeX + eyeY * eyeY);
    if (!(r1 > 0.0f) || !std::isfinite(r1) || !std::isfinite(eyeZ)) {
        return false;
    }
    const float sinT = eyeX / r1;
    const float cosT = eyeY / r1;
    Matrix4 t1{};
    MatIdentity(t1);
    t1[1][1] = cosT;
    t1[1][2] = sinT;
    t1[2][1] = -sinT;
    t1[2][2] = cosT;

    const float r2 = std::sqrt(eyeX * eyeX + eyeY * eyeY + eyeZ * eyeZ);
    const float sinP = -r1 / r2;
    const float cosP = -eyeZ / r2;
    Matrix4 t2{};
    MatIdentity(t2);
    t2[2][2] = cosP;
    t2[2][3] = sinP;
    t2[3][2] = -sinP;
    t2[3][3] = cosP;

    MatMultiply(m, t1, t2);
    return true;
}
