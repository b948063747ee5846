textures/sample/flicker
{
	q3map_surfacelight 400
	q3map_flare flareShader-wide	// a keyword the editor keeps as written
	{
		animMap 4 textures/sample/f1.tga textures/sample/f2.tga textures/sample/f3.tga
		blendfunc GL_ONE GL_ONE
		rgbGen wave square 0.5 0.5 0 2
	}
	{
		clampmap textures/sample/glow.tga
		blendFunc add
		tcGen environment
		alphaGen const 0.4
		rgbGen const ( 1 0.5 0.25 )
	}
}

/* an old version, kept for reference
textures/sample/flicker_old
{
	{
		map textures/sample/f1.tga
	}
}
*/

textures/sample/fog
{
	surfaceparm fog
	surfaceparm nonsolid
	fogparms ( 0.2 0.3 0.1 ) 768
	{ detail }
}
