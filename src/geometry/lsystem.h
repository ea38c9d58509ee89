// lsystem.h - the bracketed L-system turtle that grows the trees.
//
// Pure computation: the turtle walks a rule string and hands every forward
// step to turtle_segment_sink as a finished five-sided tube piece (twelve
// vertices with normals and texture coordinates). trees.cpp points the sink
// at immediate-mode OpenGL while a display list is compiled; tests point it
// at a recorder.
//
//   turtle_reset(TURTLE_ROLL, TURTLE_PITCH, 4.0);
//   turtle_segment_sink = my_sink;
//   turtle_interpret(rule, 0, 4, 4.0, 0.26);
//
// A rule is its own production: X interprets the whole rule again one level
// deeper. F steps forward, + and - roll about the heading, D/d (U/u) pitch by
// the full (half) angle, [ and ] save and restore the turtle.
#pragma once

// Row-major 4x4: element (r, c) at 4r + c. Column 1 is the heading, columns 0
// and 2 the axes of a tube ring.
struct Matrix {
    double m[16];
};

// Where the turtle is and was one step ago: what [ saves and ] restores.
struct TurtlePose {
    Matrix orientation;
    double position[3], previous_position[3];
    double axis_x[3], previous_axis_x[3];
    double axis_z[3], previous_axis_z[3];
    double diameter, previous_diameter;
};

constexpr int TURTLE_STACK_SIZE = 128;

struct TurtleState {
    TurtlePose pose;
    double roll_angle, pitch_angle;
    int stack_top;
    TurtlePose stack[TURTLE_STACK_SIZE];
};

// One segment as it goes to GL: six ring pairs, bottom then top vertex each;
// the sixth pair closes the ring on the first.
struct TreeVertex {
    float normal[3];
    float tex[2];
    float position[3];
};

struct TreeSegment {
    TreeVertex vertices[12];
};

typedef void (*TurtleSegmentSink)(const TreeSegment *segment);

constexpr double TURTLE_ROLL = 2.0943946666666666;
constexpr double TURTLE_PITCH = 0.785398;

extern TurtleState turtle;
extern TurtleSegmentSink turtle_segment_sink;  // null: segments are computed and dropped

void matrix_identity(Matrix *m);
void matrix_multiply(Matrix *dst, const Matrix *a, const Matrix *b);
void matrix_rotate(Matrix *m, const double angles[3]);

// Identity frame at the origin with the given angles and diameter, empty
// stack. The previous_* fields are left alone: every rule starts with F.
void turtle_reset(double roll_angle, double pitch_angle, double diameter);

void turtle_interpret(const char *rule, int depth, int max_depth, double segment_length,
                      double taper);

// Segments a rule draws from depth to max_depth: S(d) = F + X * S(d + 1).
int turtle_segment_count(const char *rule, int depth, int max_depth);
