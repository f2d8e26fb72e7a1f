// Stands in for a core library that has no sources yet.
