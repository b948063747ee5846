// Sample shaders for glazen-cli and the tests: a lit wall, a scrolling
// liquid, a sky and a flickering light.

textures/sample/wall_lit
{
	qer_editorimage textures/sample/wall.tga
	surfaceparm metalsteps
	{
		map $lightmap
		rgbGen identity
	}
	{
		map textures/sample/wall.tga
		blendFunc filter
	}
}

textures/sample/slime
{
	qer_trans 0.5
	surfaceparm slime
	surfaceparm nolightmap
	surfaceparm trans
	cull disable
	tessSize 64
	deformVertexes wave 100 sin 0 2 0 0.5
	{
		map textures/sample/slime.tga
		tcMod scroll 0.05 .1
		tcMod turb 0 0.1 0 0.2
		rgbGen wave sin 0.5 0.25 0 0.3
	}
}

textures/sample/sky
{
	surfaceparm sky
	surfaceparm noimpact
	surfaceparm nolightmap
	q3map_sun 1 0.9 0.8 120 45 60
	q3map_surfacelight 80
	skyParms - 512 -
	{
		map textures/sample/clouds.tga
		tcMod scale 3 2
		tcMod scroll 0.01 0.02
		depthWrite
	}
}
