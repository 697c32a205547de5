// Built only by the layer tests, inside a library given by the probe's target: includes the
// header PROBE_HEADER names. It resolves when the header belongs to that library or to one the
// library links, and nowhere else.
#include PROBE_HEADER
