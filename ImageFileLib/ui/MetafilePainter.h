#pragma once
// Draws the outlines and texts of metafiles with QPainter: installed at
// start-up so the loader registry reads ordinary WMF and EMF drawings.
namespace ImageFile {

void InstallMetafilePainter();

}  // namespace ImageFile
