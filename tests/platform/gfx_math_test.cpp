#include "platform/gfx_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kHalfPi = 1.5707963f;

void ExpectPoint(const D3DXMATRIX& m, D3DXVECTOR3 in, D3DXVECTOR3 want) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &in, &m);
  EXPECT_NEAR(out.x, want.x, 1e-5f);
  EXPECT_NEAR(out.y, want.y, 1e-5f);
  EXPECT_NEAR(out.z, want.z, 1e-5f);
}

void ExpectMatrix(const D3DXMATRIX& got, const D3DXMATRIX& want, float tolerance = 1e-5f) {
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) EXPECT_NEAR(got.m[i][j], want.m[i][j], tolerance) << i << "," << j;
  }
}

TEST(GfxMath, PerspectiveFovTakesTheAngleInRadians) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, 45.0f, 640.0f / 480.0f, 0.1f, 10000.0f);
  D3DXMATRIX want = {{{1.344443f, 0, 0, 0}, {0, 1.792591f, 0, 0}, {0, 0, 1.00001f, 1}, {0, 0, -0.100001f, 0}}};
  ExpectMatrix(p, want);
}

TEST(GfxMath, PerspectiveMapsNearAndFarToZeroAndOne) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, 1.0f, 1.0f, 1.0f, 100.0f);
  D3DXVECTOR4 n, f;
  D3DXVECTOR3 near_point = {0, 0, 1}, far_point = {0, 0, 100};
  D3DXVec3Transform(&n, &near_point, &p);
  D3DXVec3Transform(&f, &far_point, &p);
  EXPECT_NEAR(n.z / n.w, 0.0f, 1e-6f);
  EXPECT_NEAR(f.z / f.w, 1.0f, 1e-6f);
}

TEST(GfxMath, LookAtAlongZ) {
  D3DXVECTOR3 eye = {70, -54, -100}, at = {70, -54, 0}, up = {0, 1, 0};
  D3DXMATRIX v;
  D3DXMatrixLookAtLH(&v, &eye, &at, &up);
  D3DXMATRIX want = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-70, 54, 100, 1}}};
  ExpectMatrix(v, want);
  ExpectPoint(v, at, {0, 0, 100});
}

TEST(GfxMath, LookAtFromTheSide) {
  // Looking along +x: world +x becomes depth, world -z becomes screen right.
  D3DXVECTOR3 eye = {0, 0, 0}, at = {5, 0, 0}, up = {0, 1, 0};
  D3DXMATRIX v;
  D3DXMatrixLookAtLH(&v, &eye, &at, &up);
  ExpectPoint(v, {2, 0, 0}, {0, 0, 2});
  ExpectPoint(v, {0, 0, -1}, {1, 0, 0});
  ExpectPoint(v, {0, 3, 0}, {0, 3, 0});
}

TEST(GfxMath, Rotations) {
  struct Case {
    const char* label;
    D3DXMATRIX m;
    D3DXVECTOR3 in, want;
  };
  D3DXMATRIX rx, ry, rz, ypr_yaw, ypr_roll, ypr_both;
  D3DXMatrixRotationX(&rx, kHalfPi);
  D3DXMatrixRotationY(&ry, kHalfPi);
  D3DXMatrixRotationZ(&rz, kHalfPi);
  D3DXMatrixRotationYawPitchRoll(&ypr_yaw, kHalfPi, 0, 0);
  D3DXMatrixRotationYawPitchRoll(&ypr_roll, 0, 0, kHalfPi);
  D3DXMatrixRotationYawPitchRoll(&ypr_both, kHalfPi, kHalfPi, 0);
  const Case cases[] = {
      {"x turns y to z", rx, {0, 1, 0}, {0, 0, 1}},
      {"y turns x to -z", ry, {1, 0, 0}, {0, 0, -1}},
      {"y turns z to x", ry, {0, 0, 1}, {1, 0, 0}},
      {"z turns x to y", rz, {1, 0, 0}, {0, 1, 0}},
      {"yaw alone is y", ypr_yaw, {1, 0, 0}, {0, 0, -1}},
      {"roll alone is z", ypr_roll, {1, 0, 0}, {0, 1, 0}},
      {"pitch before yaw", ypr_both, {0, 1, 0}, {1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ExpectPoint(c.m, c.in, c.want);
  }
}

TEST(GfxMath, YawPitchRollIsRollThenPitchThenYaw) {
  D3DXMATRIX ypr, rz, rx, ry, want;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -1.1f, 2.0f);
  D3DXMatrixRotationZ(&rz, 2.0f);
  D3DXMatrixRotationX(&rx, -1.1f);
  D3DXMatrixRotationY(&ry, 0.3f);
  D3DXMatrixMultiply(&want, &rz, &rx);
  D3DXMatrixMultiply(&want, &want, &ry);
  ExpectMatrix(ypr, want);
}

TEST(GfxMath, MultiplyAppliesTheLeftMatrixFirst) {
  D3DXMATRIX t, r, tr, rt;
  D3DXMatrixTranslation(&t, 1, 0, 0);
  D3DXMatrixRotationZ(&r, kHalfPi);
  D3DXMatrixMultiply(&tr, &t, &r);
  D3DXMatrixMultiply(&rt, &r, &t);
  ExpectPoint(tr, {0, 0, 0}, {0, 1, 0});
  ExpectPoint(rt, {0, 0, 0}, {1, 0, 0});
  ExpectPoint(t, {2, 3, 4}, {3, 3, 4});
}

TEST(GfxMath, Vectors) {
  D3DXVECTOR3 a = {1, 2, 3}, b = {4, 5, 6};
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 32.0f);
  D3DXVECTOR3 x = {1, 0, 0}, y = {0, 1, 0}, c;
  D3DXVec3Cross(&c, &x, &y);
  EXPECT_FLOAT_EQ(c.z, 1.0f);
  D3DXVec3Cross(&c, &a, &b);
  EXPECT_FLOAT_EQ(c.x, -3.0f);
  EXPECT_FLOAT_EQ(c.y, 6.0f);
  EXPECT_FLOAT_EQ(c.z, -3.0f);
  D3DXVECTOR3 v = {3, 4, 0}, n;
  D3DXVec3Normalize(&n, &v);
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.y, 0.8f);
  D3DXVECTOR3 zero = {0, 0, 0};
  D3DXVec3Normalize(&n, &zero);
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_FALSE(std::isnan(n.y));
}

TEST(GfxMath, InverseUndoesATransform) {
  D3DXMATRIX a, b, m, inv, product, identity;
  D3DXMatrixRotationYawPitchRoll(&a, 0.5f, 0.2f, -0.7f);
  D3DXMatrixTranslation(&b, 3, -4, 9);
  D3DXMatrixMultiply(&m, &a, &b);
  ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &m), nullptr);
  D3DXMatrixMultiply(&product, &m, &inv);
  ExpectMatrix(product, *D3DXMatrixIdentity(&identity));
  D3DXMATRIX singular = {};
  EXPECT_EQ(D3DXMatrixInverse(&inv, nullptr, &singular), nullptr);
}

TEST(GfxMath, ColorPackRoundsAndClamps) {
  EXPECT_EQ(D3DXColorPack(1, 0, 0, 0.7f), 0xB2FF0000u);
  EXPECT_EQ(D3DXColorPack(1, 1, 1, 0.5f), 0x80FFFFFFu);
  EXPECT_EQ(D3DXColorPack(2, -1, 0.5f, 1), 0xFFFF0080u);
}

TEST(WinTypes, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(10, 480, 400), 12);
  EXPECT_EQ(MulDiv(28, 480, 400), 34);
  EXPECT_EQ(MulDiv(28, 768, 400), 54);
  EXPECT_EQ(MulDiv(-5, 3, 2), -8);
  EXPECT_EQ(MulDiv(5, 3, -2), -8);
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(100000, 100000, 10), 1000000000);
}

}  // namespace
