// What the program hands the engine through its plug-in export: the seven material plug-ins and the five resource types.
#pragma once

// Creates the material plug-ins in the export's order: "tbumpgloss",
// "tbumptex", "tbumpenv", "tonetexnoalpha", "tglossrust", "tmpfx",
// "nofogtex". The registry keeps one plug-in per name: a second call
// leaves the first set in place.
void RegisterMaterialPlugins();

// Enters the resource types "korvel.im", "korvel.pm", "korvel.lm.txt",
// "korvel.lm" and "convert-tex.txt" into the resource-type plug-in family
// with their type ids (the two LOD forms share one id).
void RegisterResourceTypePlugins();
