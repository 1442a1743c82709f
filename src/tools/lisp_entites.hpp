// LISP functions on drawing entities and texts: attribute values and
// visibility, the point blocks' extended data, the size of a block, the
// segment of a polyline, splitting a string, deleting a file, waiting for a
// key, single-line texts, attributes turned into texts. Each reads its
// arguments with zcedGetArgs and sets its value with a zcedRet call; wrong
// arguments give nil, or no value where noted.
#pragma once

// (calctailleblock name): (width height 0) of the block drawn at scale 1,
// nil for an unknown block or one that draws nothing.
void lisp_calctailleblock();
// (analyse text): the pieces between blanks, commas, tabs and line feeds.
void lisp_analyse();
// (attrvisibility selection '(tag flag ...)): flag 1 shows, 2 hides, 3
// inverts the attributes of that tag. No value.
void lisp_attrvisibility();
// (getsegtype polyline point): ("LINE" p1 p2) or ("ARC" p1 p2 bulge) of
// the segment nearest to the point.
void lisp_getsegtype();
// (modif-attrib block tag value): the attributes of that tag take the value.
void lisp_modif_attrib();
// (vrdelfile path): 1 when the regular file was deleted, else nil.
void lisp_vrdelfile();
// (sxd entity data): the group of the point blocks' extended data that
// starts with the same item is replaced by the data, or the data appended.
void lisp_sxd();
// (wait_user): waits for a key. No value.
void lisp_wait_user();
// (VRELTEXT justification point height rotation text [width-factor]): a
// single-line text in model space on the current layer. No value.
void lisp_VRELTEXT();
// (c:DISSOCBLOCK [block]): the attributes of point blocks become texts. T.
void lisp_DISSOCBLOCK();
