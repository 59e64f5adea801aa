# Godot 3's view of an exported sky: a screenshot at each heading and pitch.
#
#   godot3 --path FOLDER --resolution WxH -s godot-views.gd -- MODE PICTURE FIELD OUT VIEWS...
#
# MODE "panorama": PICTURE as a PanoramaSky turned 180 degrees about Y, as
# the README says. MODE "cubemap": PICTURE, the godot preset's 2 x 3 faces,
# cut as the importer cuts them into a cube map and looked up through the
# lookup of the preset's shader (LOOKUP, "x y z", the factors on the
# direction) on a sphere round the camera, since Godot 3 has no sky shaders;
# its colours decoded from sRGB, as the shader's source_color hint says.
# FIELD is the horizontal field of view; each VIEW "HEADING,PITCH" (degrees,
# heading clockwise from north, north along -Z) is saved as OUT/view-N.png.
extends SceneTree

var camera
var views = []
var out = ""
var next = 0
var frames = 0

func _init():
	var args = OS.get_cmdline_args()
	var at = 0
	for i in range(args.size()):
		if args[i] == "--":
			at = i + 1
	var mode = args[at]
	var picture = Image.new()
	if picture.load(args[at + 1]) != OK:
		printerr("cannot load ", args[at + 1])
		quit(1)
		return
	var field = float(args[at + 2])
	out = args[at + 3]
	var lookup = args[at + 4].split(" ")
	for i in range(at + 5, args.size()):
		var parts = args[i].split(",")
		views.append(Vector2(float(parts[0]), float(parts[1])))

	var environment = Environment.new()
	if mode == "panorama":
		var texture = ImageTexture.new()
		texture.create_from_image(picture, Texture.FLAG_FILTER)
		var sky = PanoramaSky.new()
		sky.panorama = texture
		environment.background_mode = Environment.BG_SKY
		environment.background_sky = sky
		environment.background_sky_rotation_degrees = Vector3(0, 180, 0)
	else:
		environment.background_mode = Environment.BG_COLOR
		environment.background_color = Color(0, 0, 0)
		var n = picture.get_width() / 2
		# The importer's order, row by row: X+, X-, Y+, Y-, Z+, Z-; Godot 3's sides by the axis each faces.
		var sides = [CubeMap.SIDE_RIGHT, CubeMap.SIDE_LEFT, CubeMap.SIDE_TOP, CubeMap.SIDE_BOTTOM, CubeMap.SIDE_BACK, CubeMap.SIDE_FRONT]
		var cube = CubeMap.new()
		cube.flags = CubeMap.FLAG_FILTER
		for face in range(6):
			cube.set_side(sides[face], picture.get_rect(Rect2((face % 2) * n, (face / 2) * n, n, n)))
		var material = ShaderMaterial.new()
		var shader = Shader.new()
		shader.code = "shader_type spatial;\nrender_mode unshaded, cull_front, depth_draw_never;\n" + \
			"uniform samplerCube sky_cube;\nvarying vec3 direction;\n" + \
			"void vertex() { direction = (WORLD_MATRIX * vec4(VERTEX, 0.0)).xyz; }\n" + \
			"void fragment() {\n" + \
			"  vec3 c = texture(sky_cube, normalize(direction) * vec3(" + lookup[0] + ", " + lookup[1] + ", " + lookup[2] + ")).rgb;\n" + \
			"  ALBEDO = mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(0.04045, c));\n" + \
			"}\n"
		material.shader = shader
		material.set_shader_param("sky_cube", cube)
		var sphere = MeshInstance.new()
		var mesh = SphereMesh.new()
		mesh.radius = 50
		mesh.height = 100
		mesh.radial_segments = 128
		mesh.rings = 64
		sphere.mesh = mesh
		sphere.material_override = material
		root.add_child(sphere)
	var world = WorldEnvironment.new()
	world.environment = environment
	root.add_child(world)
	camera = Camera.new()
	camera.keep_aspect = Camera.KEEP_WIDTH
	camera.fov = field
	camera.near = 0.1
	camera.far = 200
	root.add_child(camera)
	camera.current = true
	_aim()

func _aim():
	var view = views[next]
	camera.rotation = Vector3(deg2rad(view.y), deg2rad(-view.x), 0)

func _idle(_delta):
	if next >= views.size():
		return true
	frames += 1
	if frames < 4:
		return false
	var shot = root.get_texture().get_data()
	shot.flip_y()
	shot.save_png(out + "/view-" + str(next) + ".png")
	next += 1
	frames = 0
	if next == views.size():
		quit()
		return true
	_aim()
	return false
