// The four fixed-size world tables: things, projectiles, statics and generators, each held as
// parallel arrays indexed by slot. A slot is free while its type is 0. Allocation searches
// downward from the slot taken last and wraps; every per-frame walk runs from the highest slot
// down to 0. Cleared per game by ClearThings (things, projectiles) and ClearStatics.
#pragma once

constexpr int MAX_THINGS = 60;
constexpr int MAX_PROJECTILES = 300;
constexpr int MAX_STATICS = 100;
constexpr int MAX_GENERATORS = 15;

// ---- Things ------------------------------------------------------------------------------------
extern int thing_type[MAX_THINGS];           // 0 free; THING_EXPLOSION (2) is what a destroyed thing becomes
extern int thing_parent[MAX_THINGS];         // slot it rides on; -1 free-standing
extern float thing_anchor_x[MAX_THINGS];     // own position while free, offset from the parent while attached
extern float thing_anchor_y[MAX_THINGS];
extern float thing_x[MAX_THINGS];            // world position, derived from the anchor each frame
extern float thing_y[MAX_THINGS];
extern int thing_vx[MAX_THINGS];             // speed code -6..6
extern int thing_vy[MAX_THINGS];             // speed code -5..5
extern int thing_hp[MAX_THINGS];             // 1000+ indestructible; the player's are its lives
extern int thing_box_x0[MAX_THINGS];         // hit box relative to (thing_x, thing_y)
extern int thing_box_y0[MAX_THINGS];
extern int thing_box_x1[MAX_THINGS];
extern int thing_box_y1[MAX_THINGS];
extern int thing_score[MAX_THINGS];          // points when destroyed
extern int thing_debris_type[MAX_THINGS];    // projectile type of its fragments
extern int thing_detach_mode[MAX_THINGS];    // what it does when its parent is gone
extern int thing_fuse[MAX_THINGS];           // frames to self-destruction while free; 0 none
extern int thing_param[MAX_THINGS];          // per type: aim index, linked slot, spawn id, ...
extern int thing_fire_timer[MAX_THINGS];     // frames to the next shot (a beam gun's state)
extern int thing_fire_interval[MAX_THINGS];  // frames between shots
extern int thing_timer[MAX_THINGS];          // per type; the player's hit flash; an explosion's frames
extern int thing_timer2[MAX_THINGS];         // second per-type counter (missile reload, ...)
extern float thing_aim_x[MAX_THINGS];        // direction or velocity of its shots, or a point
extern float thing_aim_y[MAX_THINGS];
extern float thing_roll[MAX_THINGS];         // wobble angle, degrees
extern float thing_roll_rate[MAX_THINGS];    // degrees per frame
extern float thing_roll_spring[MAX_THINGS];  // pull-back of the rate beyond 1 degree
extern int thing_roll_time[MAX_THINGS];      // frames of active wobble left

// ---- Projectiles -------------------------------------------------------------------------------
extern int projectile_type[MAX_PROJECTILES];   // 0 free; 1..29 can hit things, 30+ effects
extern int projectile_owner[MAX_PROJECTILES];  // thing slot that fired it; -1 none
extern float projectile_x[MAX_PROJECTILES];
extern float projectile_y[MAX_PROJECTILES];
extern float projectile_z[MAX_PROJECTILES];
extern float projectile_vx[MAX_PROJECTILES];   // truncated to a speed code each frame
extern float projectile_vy[MAX_PROJECTILES];
extern float projectile_vz[MAX_PROJECTILES];
extern float projectile_ry[MAX_PROJECTILES];   // rotation, degrees
extern float projectile_rx[MAX_PROJECTILES];
extern float projectile_rz[MAX_PROJECTILES];
extern float projectile_spin_y[MAX_PROJECTILES];  // degrees per frame
extern float projectile_spin_x[MAX_PROJECTILES];
extern float projectile_spin_z[MAX_PROJECTILES];
extern int projectile_accel_time[MAX_PROJECTILES];  // frames to the next acceleration step
extern int projectile_life[MAX_PROJECTILES];        // frames left; 0 unlimited

// ---- Statics (scenery) -------------------------------------------------------------------------
extern int static_type[MAX_STATICS];  // 0 free
extern float static_x[MAX_STATICS];
extern float static_y[MAX_STATICS];
extern float static_z[MAX_STATICS];   // depth; also orders the drawing far to near
extern float static_ry[MAX_STATICS];  // rotation, degrees
extern float static_rx[MAX_STATICS];
extern float static_rz[MAX_STATICS];
extern float static_spin_y[MAX_STATICS];  // degrees per frame
extern float static_spin_x[MAX_STATICS];
extern float static_spin_z[MAX_STATICS];
extern int static_draw_order[MAX_STATICS];  // static slots far to near; the first static_count are drawn
extern int static_listed[MAX_STATICS];      // per-slot flag while the order is built

// ---- Generators (scenery emitters) -------------------------------------------------------------
extern int generator_type[MAX_GENERATORS];  // static type emitted; 0 free
extern int generator_interval[MAX_GENERATORS];
extern int generator_remaining[MAX_GENERATORS];
extern float generator_x[MAX_GENERATORS];   // x offset from spawn_line_x
extern float generator_y[MAX_GENERATORS];
extern float generator_z[MAX_GENERATORS];
extern int generator_timer[MAX_GENERATORS];

// ---- Bookkeeping: live counts and allocation cursors (all 0 at program start) -----------------
extern int thing_count, thing_last;
extern int projectile_count, projectile_last;
extern int static_count, static_last;
extern int generator_count, generator_last;

// ---- Ground and world shift --------------------------------------------------------------------
extern float ceiling_x0, ceiling_x1;  // ceiling barrier covers x strictly between the ends
extern float floor_x0, floor_x1;
extern int scroll_speed;              // ground scroll as a speed code 1..6; 0 stands still

// Units per frame of speed codes -6..6, indexed by code + 6.
extern const float speed_code_step[13];

// Displacement of a speed code; a code outside -6..6 moves nothing.
float SpeedStep(int code);
// A projectile's float velocity truncated toward zero to a code; NaN or out of range moves nothing.
float VelocityStep(float velocity);
// The ground's scroll distance per frame (codes 1..6; anything else moves nothing).
float ScrollStep();

// Slot search shared by the create functions: returns the free slot taken (cursor moved, count
// increased) or -1 after printing the table's message when every slot is live.
int FindFreeThing();
int FindFreeProjectile();
int FindFreeStatic();
int FindFreeGenerator();

// Frees one slot; a slot already free (or out of range) leaves the count alone.
void FreeThing(int slot);
void FreeProjectile(int slot);
void FreeStatic(int slot);
void FreeGenerator(int slot);

// Frees every thing and projectile, then ClearStatics. Cursors are kept.
void ClearThings();
// Frees every static and generator. Cursors and the draw order are kept.
void ClearStatics();
