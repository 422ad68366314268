#include "platform/gfx_math.h"

#include <cmath>
#include <utility>

static DWORD PackChannel(float c) {
  if (c >= 1.0f) return 255;
  if (c <= 0.0f) return 0;
  return static_cast<DWORD>(static_cast<double>(c) * 255.0 + 0.5);
}

D3DCOLOR D3DXColorPack(float r, float g, float b, float a) {
  return (PackChannel(a) << 24) | (PackChannel(r) << 16) | (PackChannel(g) << 8) | PackChannel(b);
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  D3DXVECTOR3 r = {a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  float length = D3DXVec3Length(v);
  if (length == 0.0f) {
    *out = {0.0f, 0.0f, 0.0f};
  } else {
    *out = {v->x / length, v->y / length, v->z / length};
  }
  return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = {a->x - b->x, a->y - b->y, a->z - b->z};
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  r.x = v->x * m->m[0][0] + v->y * m->m[1][0] + v->z * m->m[2][0] + m->m[3][0];
  r.y = v->x * m->m[0][1] + v->y * m->m[1][1] + v->z * m->m[2][1] + m->m[3][1];
  r.z = v->x * m->m[0][2] + v->y * m->m[1][2] + v->z * m->m[2][2] + m->m[3][2];
  r.w = v->x * m->m[0][3] + v->y * m->m[1][3] + v->z * m->m[2][3] + m->m[3][3];
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  D3DXVec3Transform(&r, v, m);
  float w = r.w == 0.0f ? 1.0f : r.w;
  *out = {r.x / w, r.y / w, r.z / w};
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR3 r;
  r.x = v->x * m->m[0][0] + v->y * m->m[1][0] + v->z * m->m[2][0];
  r.y = v->x * m->m[0][1] + v->y * m->m[1][1] + v->z * m->m[2][1];
  r.z = v->x * m->m[0][2] + v->y * m->m[1][2] + v->z * m->m[2][2];
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = {};
  for (int i = 0; i < 4; i++) out->m[i][i] = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                  a->m[i][3] * b->m[3][j];
    }
  }
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) r.m[i][j] = m->m[j][i];
  }
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[1][1] = c;
  out->m[1][2] = s;
  out->m[2][1] = -s;
  out->m[2][2] = c;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[0][0] = c;
  out->m[0][2] = -s;
  out->m[2][0] = s;
  out->m[2][2] = c;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  D3DXMatrixIdentity(out);
  out->m[0][0] = c;
  out->m[0][1] = s;
  out->m[1][0] = -s;
  out->m[1][1] = c;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  D3DXMATRIX rz, rx, ry;
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  D3DXMatrixMultiply(out, &rz, &rx);
  return D3DXMatrixMultiply(out, out, &ry);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  D3DXVECTOR3 zaxis, xaxis, yaxis;
  D3DXVec3Subtract(&zaxis, at, eye);
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVec3Cross(&xaxis, up, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  D3DXMATRIX r = {{{xaxis.x, yaxis.x, zaxis.x, 0.0f},
                   {xaxis.y, yaxis.y, zaxis.y, 0.0f},
                   {xaxis.z, yaxis.z, zaxis.z, 0.0f},
                   {-D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1.0f}}};
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  float y_scale = 1.0f / std::tan(fovy / 2.0f);
  float x_scale = y_scale / aspect;
  *out = {};
  out->m[0][0] = x_scale;
  out->m[1][1] = y_scale;
  out->m[2][2] = zf / (zf - zn);
  out->m[2][3] = 1.0f;
  out->m[3][2] = -zn * zf / (zf - zn);
  return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
  // Gauss-Jordan elimination with partial pivoting, in double precision.
  double a[4][8];
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      a[i][j] = m->m[i][j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  }
  double det = 1.0;
  for (int col = 0; col < 4; col++) {
    int pivot = col;
    for (int r = col + 1; r < 4; r++) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (std::fabs(a[pivot][col]) < 1e-12) return nullptr;
    if (pivot != col) {
      for (int j = 0; j < 8; j++) std::swap(a[pivot][j], a[col][j]);
      det = -det;
    }
    double p = a[col][col];
    det *= p;
    for (int j = 0; j < 8; j++) a[col][j] /= p;
    for (int r = 0; r < 4; r++) {
      if (r == col) continue;
      double f = a[r][col];
      for (int j = 0; j < 8; j++) a[r][j] -= f * a[col][j];
    }
  }
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) out->m[i][j] = static_cast<float>(a[i][j + 4]);
  }
  if (determinant) *determinant = static_cast<float>(det);
  return out;
}
