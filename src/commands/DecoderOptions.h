#pragma once

// The two options of the ffdshow decoder that the new version expects. Only a decoder that is
// installed is changed: the key is never created.
void SetFfdshowOptions();
