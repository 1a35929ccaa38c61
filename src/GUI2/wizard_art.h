// The wizard's pictures, drawn at run time so that the program ships no image files: the program
// icon (501), the eight frames of the connection animation (502 to 509), the watermark of the
// welcome and closing pages (311) and the header picture of the other pages (312).
// Thread-safety: window thread only (pixmaps belong to it).
#pragma once

#include <QIcon>
#include <QPixmap>

inline constexpr int k_icon_program = 501;
inline constexpr int k_icon_first_frame = 502;
inline constexpr int k_animation_frames = 8;
inline constexpr int k_bitmap_watermark = 311;
inline constexpr int k_bitmap_header = 312;

// The picture of a resource id above; a null pixmap for an unknown id.
QPixmap wizard_pixmap(int resource_id);
// The program icon in the sizes a window manager asks for.
QIcon wizard_icon();
