// robot.h - the chrome robot: its part lists, its drawer and its mouth.
//
// The robot is five chamfered-box display lists (torso, head, upper arm,
// forearm, leg piece) recorded once by the precalc task robot_parts_build(),
// which must run after textures_build() (it keeps the GL names of textures
// 3, the chrome, and 0, the eyes). draw_robot() assembles the parts into a
// jointed body whose joints the recorded animation paths turn, and paints
// two spinning eyes and a black mouth on the head's front face.
//
//   robot_parts_build();                                    // precalc, once
//   float m = mouth_value(order, row, frame_ms);            // once a frame
//   draw_robot(ROBOT_POSE_TALK, eye_angle, m);              // 3-D modelview set
//
// The mouth is one envelope shared by every scene that draws the robot: it
// jumps open on the first frame of chosen rows of orders 1, 3, 5 and 7 and
// closes at 5 units a second down to 0.1.
#pragma once

#include <cstdint>

// GL display list names, one per body part; index 0 of a pair is the part on
// the -x side of the body. Parts of the same shape share one list.
struct RobotPartLists {
    uint32_t torso;
    uint32_t head;
    uint32_t upper_arm[2];
    uint32_t forearm[2];
    uint32_t thigh[2];
    uint32_t shin[2];
};

extern RobotPartLists robot_part_lists;
extern uint32_t chrome_texture;  // sphere-mapped onto every part
extern uint32_t eye_texture;     // the pattern that spins in the eyes

// Precalc task: records the five part lists. Always 1.
int robot_parts_build();

// Records a chamfered box (see geometry/chamfer_box.h) into display list
// `list`, chrome-textured by sphere mapping; calling the list leaves
// texturing and texture-coordinate generation disabled.
void chamfered_box_list(float hx, float hy, float hz, float centre_y, uint32_t list);

// A joint whose path id is ROBOT_JOINT_FIXED is not turned.
constexpr int ROBOT_JOINT_FIXED = -1;

// The animation path ids that drive one robot.
struct RobotPose {
    int place;  // body position in the ground plane (x and y)
    int lift;   // body height (y)
    int body;
    int neck;
    int shoulder[2];
    int elbow[2];
    int hip[2];
    int knee[2];
};

extern const RobotPose ROBOT_POSE_WALK;  // the walking forest scene
extern const RobotPose ROBOT_POSE_TALK;  // the talking close-ups, legs still

// Draws the robot into the current modelview matrix and leaves that matrix
// multiplied by the body's placement and torso turn. eye_angle in radians;
// mouth is the half height of the mouth quad.
void draw_robot(const RobotPose &pose, float eye_angle, float mouth);

// The mouth envelope.
constexpr int MOUTH_ROW_COUNT = 19;
extern const int MOUTH_ROWS[MOUTH_ROW_COUNT];
struct MouthState {
    int last_position = -1;  // song position last seen in a triggering order
    float open = 0.1f;  // current half height
};
extern MouthState mouth_state;
// The mouth as at start.
void mouth_reset();

// Advances the envelope by one frame at song position (order, row) and
// returns the new opening. Call once per frame, before draw_robot().
float mouth_value(int order, int row, int frame_ms);
