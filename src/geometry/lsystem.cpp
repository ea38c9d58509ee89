// lsystem.cpp - the tree turtle: matrices, the interpreter and the tube
// segments it hands to turtle_segment_sink. See lsystem.h.
#include "geometry/lsystem.h"

#include <cmath>

TurtleState turtle;
TurtleSegmentSink turtle_segment_sink = nullptr;

static const Matrix IDENTITY = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// Five ring steps of 2*pi/5 accumulated in float: the last angle ends a hair
// below 2*pi, which the ring's closing pair inherits.
static const float RING_STEP = 1.2566369f;

void matrix_identity(Matrix *m)
{
    *m = IDENTITY;
}

void matrix_multiply(Matrix *dst, const Matrix *a, const Matrix *b)
{
    // A temporary, so dst may alias either factor.
    Matrix product;
    for (int r = 0; r < 4; r++) {
        for (int c = 0; c < 4; c++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++)
                sum += a->m[4 * r + k] * b->m[4 * k + c];
            product.m[4 * r + c] = sum;
        }
    }
    *dst = product;
}

void matrix_rotate(Matrix *m, const double angles[3])
{
    double c = std::cos(angles[2]), s = std::sin(angles[2]);
    const Matrix rz = {{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    matrix_multiply(m, m, &rz);
    c = std::cos(angles[1]);
    s = std::sin(angles[1]);
    const Matrix ry = {{c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1}};
    matrix_multiply(m, m, &ry);
    c = std::cos(angles[0]);
    s = std::sin(angles[0]);
    const Matrix rx = {{1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1}};
    matrix_multiply(m, m, &rx);
}

void turtle_reset(double roll_angle, double pitch_angle, double diameter)
{
    matrix_identity(&turtle.pose.orientation);
    for (int k = 0; k < 3; k++) {
        turtle.pose.axis_x[k] = k == 0 ? 1.0 : 0.0;
        turtle.pose.axis_z[k] = k == 2 ? 1.0 : 0.0;
        turtle.pose.position[k] = 0.0;
    }
    turtle.roll_angle = roll_angle;
    turtle.pitch_angle = pitch_angle;
    turtle.stack_top = 0;
    turtle.pose.diameter = diameter;
}

// Right-multiplies a fresh rotation onto the frame, so the turn is about the
// turtle's own axes.
static void turn(double about_x, double about_y)
{
    Matrix r;
    const double angles[3] = {about_x, about_y, 0.0};
    matrix_identity(&r);
    matrix_rotate(&r, angles);
    matrix_multiply(&turtle.pose.orientation, &turtle.pose.orientation, &r);
}

static void save_state()
{
    // The stored rules nest four deep; a deeper rule loses the extra saves
    // rather than writing past the stack.
    if (turtle.stack_top >= TURTLE_STACK_SIZE)
        return;
    turtle.stack[turtle.stack_top++] = turtle.pose;
}

static void restore_state()
{
    // An unmatched ] keeps the turtle where it is instead of reading below
    // the stack.
    if (turtle.stack_top <= 0)
        return;
    turtle.pose = turtle.stack[--turtle.stack_top];
}

static void forward(double segment_length, double taper)
{
    TurtlePose &p = turtle.pose;
    const double *o = p.orientation.m;
    for (int k = 0; k < 3; k++) {
        p.previous_position[k] = p.position[k];
        p.position[k] += segment_length * o[4 * k + 1];
    }
    for (int k = 0; k < 3; k++) {
        p.previous_axis_x[k] = p.axis_x[k];
        p.axis_x[k] = o[4 * k];
        p.previous_axis_z[k] = p.axis_z[k];
        p.axis_z[k] = o[4 * k + 2];
    }
    p.previous_diameter = p.diameter;
    // No floor: the side tree's last tip goes negative and is drawn mirrored.
    p.diameter -= taper;

    TreeSegment segment;
    float t = 0.0f;
    for (int i = 0; i < 6; i++) {
        const double c = std::cos((double)t), s = std::sin((double)t);
        const float u = (float)i * 0.2f;
        TreeVertex &bottom = segment.vertices[2 * i];
        TreeVertex &top = segment.vertices[2 * i + 1];
        for (int k = 0; k < 3; k++) {
            const double below = c * p.previous_axis_x[k] + s * p.previous_axis_z[k];
            const double above = c * p.axis_x[k] + s * p.axis_z[k];
            bottom.normal[k] = (float)below;
            const double bottom_radius = 0.5 * p.previous_diameter;
            bottom.position[k] = (float)(p.previous_position[k] + bottom_radius * below);
            top.normal[k] = (float)above;
            top.position[k] = (float)(p.position[k] + 0.5 * p.diameter * above);
        }
        bottom.tex[0] = u;
        bottom.tex[1] = 0.0f;
        top.tex[0] = u;
        top.tex[1] = 1.0f;
        t += RING_STEP;
    }
    if (turtle_segment_sink)
        turtle_segment_sink(&segment);
}

void turtle_interpret(const char *rule, int depth, int max_depth, double segment_length,
                      double taper)
{
    if (depth >= max_depth)
        return;
    for (const char *p = rule; *p; p++) {
        switch (*p) {
        case 'F': forward(segment_length, taper); break;
        case 'X': turtle_interpret(rule, depth + 1, max_depth, segment_length, taper); break;
        case '+': turn(0.0, turtle.roll_angle); break;
        case '-': turn(0.0, -turtle.roll_angle); break;
        case 'D': turn(turtle.pitch_angle, 0.0); break;
        case 'd': turn(turtle.pitch_angle * 0.5, 0.0); break;
        case 'U': turn(-turtle.pitch_angle, 0.0); break;
        case 'u': turn(-turtle.pitch_angle * 0.5, 0.0); break;
        case '[': save_state(); break;
        case ']': restore_state(); break;
        default: break;
        }
    }
}

int turtle_segment_count(const char *rule, int depth, int max_depth)
{
    if (depth >= max_depth)
        return 0;
    int forwards = 0, recursions = 0;
    for (const char *p = rule; *p; p++) {
        forwards += *p == 'F';
        recursions += *p == 'X';
    }
    return forwards + recursions * turtle_segment_count(rule, depth + 1, max_depth);
}
