// Placeholder for an area that has no code of its own yet.
