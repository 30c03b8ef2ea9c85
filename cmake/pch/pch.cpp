// The translation unit of a precompiled header that other targets reuse.
