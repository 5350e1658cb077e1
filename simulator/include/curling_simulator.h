/* Curling stone simulator: a plain C interface over the physics of the sheet.
 *
 * Units are metres, seconds and metres per second, in sheet coordinates: x across the sheet
 * (side lines at 0 and 4.75), y along it, growing away from the house toward the delivering end.
 * The tee is at (2.375, 4.88); a delivered stone is released at (2.375, 33.23) and travels toward
 * smaller y. Every function returns 0 on success and a negative number when it changed nothing.
 * All three may be called at the same time from any number of threads. */
#ifndef CURLING_SIMULATOR_H
#define CURLING_SIMULATOR_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(CURLING_SIMULATOR_BUILD)
#define CURLING_SIMULATOR_API __attribute__((visibility("default")))
#else
#define CURLING_SIMULATOR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Where a stone should come to rest (a draw) or pass through (a hit). 12 bytes. */
typedef struct ShotTarget {
  float x;   /* metres */
  float y;   /* metres */
  bool curl; /* 1: clockwise, the path bends right of its direction of travel; 0: the mirror */
} ShotTarget;

/* A release: the stone's velocity at the release point and its rotation. 12 bytes. */
typedef struct ShotVelocity {
  float vx;  /* metres per second */
  float vy;  /* metres per second, negative toward the house */
  bool curl; /* as in ShotTarget */
} ShotVelocity;

/* One stone; a stone out of play has both coordinates at 0 or below. */
typedef struct StonePosition {
  float x; /* metres */
  float y; /* metres */
} StonePosition;

/* One position of one end of a game. 184 bytes; the engine's game state has this exact layout. */
typedef struct CurlingStateRecord {
  int32_t shotNumber;       /* next shot of the end, 0 to 15 */
  int32_t endNumber;        /* current end, 0 to 9 */
  int32_t serverValue;      /* carried unchanged */
  int32_t endScores[10];    /* per end: points of side 0 (positive) or side 1 (negative) */
  bool sideToMove;          /* side delivering the next shot: 0 or 1; then 3 bytes of padding */
  StonePosition stones[16]; /* slot i holds the stone of shot i of the end */
} CurlingStateRecord;

/* The release that brings a lone stone to rest on the target (draw weight). */
CURLING_SIMULATOR_API int CreateShot(ShotTarget target, ShotVelocity* shot);

/* The release whose path passes through the target at 3.0 * min(power, 16) / 16 m/s. */
CURLING_SIMULATOR_API int CreateHitShot(ShotTarget target, float power, ShotVelocity* shot);

/* Plays one shot onto the state in place, with a Gaussian execution error of size noise.
 * seed >= 0 makes the error reproducible; executed, when not null, receives the release played.
 * Stones of the record that overlap are first pushed apart to touching distance by the least
 * movement (along their line of centres; along y where two centres coincide, the higher slot
 * toward larger y); a stone so pushed out of the playing area is out of play. */
CURLING_SIMULATOR_API int Simulation(CurlingStateRecord* state, ShotVelocity shot, float noise,
                                     ShotVelocity* executed, int seed);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layout crosses the library boundary: pin it. */
#ifdef __cplusplus
#include <cstddef>
static_assert(sizeof(ShotTarget) == 12 && offsetof(ShotTarget, curl) == 8, "ShotTarget layout");
static_assert(sizeof(ShotVelocity) == 12 && offsetof(ShotVelocity, curl) == 8,
              "ShotVelocity layout");
static_assert(sizeof(StonePosition) == 8, "StonePosition layout");
static_assert(sizeof(CurlingStateRecord) == 184, "CurlingStateRecord size");
static_assert(offsetof(CurlingStateRecord, endNumber) == 4, "endNumber offset");
static_assert(offsetof(CurlingStateRecord, serverValue) == 8, "serverValue offset");
static_assert(offsetof(CurlingStateRecord, endScores) == 12, "endScores offset");
static_assert(offsetof(CurlingStateRecord, sideToMove) == 52, "sideToMove offset");
static_assert(offsetof(CurlingStateRecord, stones) == 56, "stones offset");
#else
#include <stddef.h>
_Static_assert(sizeof(ShotTarget) == 12, "ShotTarget layout");
_Static_assert(sizeof(ShotVelocity) == 12, "ShotVelocity layout");
_Static_assert(sizeof(CurlingStateRecord) == 184, "CurlingStateRecord size");
_Static_assert(offsetof(CurlingStateRecord, sideToMove) == 52, "sideToMove offset");
_Static_assert(offsetof(CurlingStateRecord, stones) == 56, "stones offset");
#endif

#endif /* CURLING_SIMULATOR_H */
