// chamfer_box.h - the polygons of a chamfered box, as plain numbers.
//
// A chamfered box is a box whose twelve edges are cut by 45-degree bevels
// and whose eight corners are cut by triangles: 18 quads (6 faces, 12
// bevels) and 8 corner triangles, each polygon wound counter-clockwise seen
// from outside and carrying one normal for all its vertices. The robot's
// part lists are recorded from these polygons; keeping them apart from GL
// lets the shape be checked without a context.
//
//   ChamferBox box;
//   chamfer_box_build(5, 5, 3, 5, &box);   // the torso
//   for (const ChamferPolygon &q : box.quads) ... q.normal, q.vertices[0..3]
//   for (const ChamferPolygon &t : box.corners) ... t.vertices[0..2]
#pragma once

constexpr int CHAMFER_QUAD_COUNT = 18;
constexpr int CHAMFER_CORNER_COUNT = 8;

// Bevel normals are unit length; corner normals are (+-1/3, +-1/3, +-1/3),
// length 0.577, as the display lists have always sent them (texture
// coordinates come from sphere mapping, which normalises the eye normal).
constexpr float CHAMFER_H = 0.70710677f;
constexpr float CHAMFER_T = 0.33333334f;

struct ChamferPolygon {
    float normal[3];
    float vertices[4][3];  // a triangle uses the first three
};

struct ChamferBox {
    ChamferPolygon quads[CHAMFER_QUAD_COUNT];
    ChamferPolygon corners[CHAMFER_CORNER_COUNT];
};

// The box centred on x = 0 and z = 0 with half extents hx, hy, hz and its
// centre at height centre_y; the bevels start at three quarters of each half
// extent.
void chamfer_box_build(float hx, float hy, float hz, float centre_y, ChamferBox *out);
