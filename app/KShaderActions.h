#pragma once

// Commands that build shader structure: a new shader, a new layer.
int KPrimitiveCreateMaterial();
int KMaterialAddLayer();
