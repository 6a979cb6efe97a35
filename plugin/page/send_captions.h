// The ten choices of each send knob's list, in item order: item 2n drives
// the volume and item 2n + 1 the pan of send n + 1. The page's lists are
// generated from this list at build time (tools/page_lists), and the tests
// read it, so it is the one place to change a caption.
#pragma once

inline constexpr int SEND_CAPTION_COUNT = 10;

inline constexpr const char* SEND_CAPTIONS[SEND_CAPTION_COUNT] = {
    "Send Vol 1", "Send Pan 1", "Send Vol 2", "Send Pan 2", "Send Vol 3",
    "Send Pan 3", "Send Vol 4", "Send Pan 4", "Send Vol 5", "Send Pan 5",
};
