// Left-handed, row-vector matrix and vector functions in the manner of D3DX: a point is a row
// vector multiplied on the left (v' = v * M), so A * B applies A first. Each function writes its
// result into `out` and returns it.
#pragma once

#include "platform/wintypes.h"

struct D3DXVECTOR3 {
  float x, y, z;
};
typedef D3DXVECTOR3 D3DVECTOR;

struct D3DXVECTOR4 {
  float x, y, z, w;
};

// m[row][column]; row 3 holds the translation.
struct D3DMATRIX {
  float m[4][4];
};
typedef D3DMATRIX D3DXMATRIX;

struct D3DCOLORVALUE {
  float r, g, b, a;
};

typedef DWORD D3DCOLOR;

constexpr D3DCOLOR D3DCOLOR_ARGB(int a, int r, int g, int b) {
  return (static_cast<DWORD>(a & 0xFF) << 24) | (static_cast<DWORD>(r & 0xFF) << 16) |
         (static_cast<DWORD>(g & 0xFF) << 8) | static_cast<DWORD>(b & 0xFF);
}

// A colour of four float channels packed to ARGB: a channel of 1 or more gives 255, 0 or less gives
// 0, otherwise channel * 255 + 0.5 (in double precision) truncated.
D3DCOLOR D3DXColorPack(float r, float g, float b, float a);

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Length(const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// (v, 1) * m, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (v, 0) * m: a direction, without the translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
// a * b; out may be a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
// Angles in radians, turning clockwise when looking along the axis toward the origin.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// Roll about z first, then pitch about x, then yaw about y: Rz(roll) * Rx(pitch) * Ry(yaw).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
// A view from `eye` toward `at`: x right, y up, z into the screen.
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
// Vertical field of view in radians; depth maps near..far to 0..1.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
// A general inverse; returns null (and leaves out unchanged) for a singular matrix.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
